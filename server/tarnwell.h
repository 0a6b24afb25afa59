/* Tarnwell: the orifice gas-flow server, C interface.
 *
 * One object type, created with tarnwell_flow_class_new and freed with
 * tarnwell_flow_class_free. Each object keeps its own state between calls; calls on one
 * object must not overlap, separate objects may be used from separate threads. */
#ifndef TARNWELL_H
#define TARNWELL_H

/* The library is built with hidden symbols; this marks what it exports. Shared only on ELF
 * platforms: on Windows the flow server is the COM DLL, which exports no C or C++ API. */
#if defined(__GNUC__) && !defined(_WIN32)
#define TARNWELL_API __attribute__((visibility("default")))
#else
#define TARNWELL_API
#endif

#ifdef __cplusplus
extern "C" {
#endif

typedef struct tarnwell_flow_class tarnwell_flow_class;

/* A new object with its state at zero; NULL only when out of memory. */
TARNWELL_API tarnwell_flow_class *tarnwell_flow_class_new(void);

/* Frees the object; NULL is a no-op. */
TARNWELL_API void tarnwell_flow_class_free(tarnwell_flow_class *object);

/* Flow of natural gas in thousands of standard cubic feet per day at base 60 degF and
 * 14.73 psia, latitude 42, elevation 300 ft. meter and plate in inches, temp in degF,
 * pressure in psi gauge, difference in psi. Returns 0 for a NULL object, for any non-finite
 * argument (the object's state is then left untouched) and when the flow itself cannot be
 * computed (for instance a negative difference). Never reports an error otherwise. Runs
 * with every floating-point trap masked and leaves the caller's traps and flags as they were. */
TARNWELL_API double tarnwell_calc_flow(tarnwell_flow_class *object, double meter, double plate,
                                       double spec_gravity, double temp, double pressure,
                                       double difference);

/* The library's version as major "." two-digit minor, for instance "99.00". */
TARNWELL_API const char *tarnwell_version(void);

#ifdef __cplusplus
}
#endif

#endif
