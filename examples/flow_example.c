/* Uses the installed Tarnwell library through its C interface only. */
#include <tarnwell.h>

#include <stdio.h>

int main(void)
{
    tarnwell_flow_class *flow = tarnwell_flow_class_new();
    if (!flow) {
        fputs("out of memory\n", stderr);
        return 1;
    }
    /* 2.067 in meter run, 0.5 in bore, gravity 0.615, 55 degF, 100 psig, 4.9 psi. */
    double mcfd = tarnwell_calc_flow(flow, 2.067, 0.5, 0.615, 55, 100, 4.9);
    printf("tarnwell %s: %.6f Mcf/d\n", tarnwell_version(), mcfd);
    tarnwell_flow_class_free(flow);
    return mcfd > 0 ? 0 : 1;
}
