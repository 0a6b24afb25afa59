#include "tarnwell.h"

#include "FlowClass.h"
#include "TarnwellVersion.h"

#include <new>

struct tarnwell_flow_class
{
    FlowClass object;
};

// Nothing may unwind through the C boundary: every export funnels its work through here.
template <class F, class R> static R guarded(F f, R onError) noexcept
{
    try {
        return f();
    } catch (...) {
        return onError;
    }
}

extern "C" {

tarnwell_flow_class *tarnwell_flow_class_new(void)
{
    return guarded([] { return new tarnwell_flow_class; },
                   static_cast<tarnwell_flow_class *>(nullptr));
}

void tarnwell_flow_class_free(tarnwell_flow_class *object)
{
    delete object;
}

double tarnwell_calc_flow(tarnwell_flow_class *object, double meter, double plate,
                          double spec_gravity, double temp, double pressure, double difference)
{
    if (!object)
        return 0;
    return guarded(
        [&] {
            return object->object.CalcFlow(meter, plate, spec_gravity, temp, pressure, difference);
        },
        0.0);
}

const char *tarnwell_version(void)
{
    return TARNWELL_VERSION_TEXT;
}
}
