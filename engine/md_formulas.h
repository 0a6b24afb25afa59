#pragma once

// The formulas of the calculation steps, each written once: the guarded scalar engine and the
// batch's vector code both call them. Operations run in the order written (the engine is built
// without FMA contraction), so both paths round alike. Internal to engine/.

#include <cmath>

namespace flow_formula {

// Atmospheric pressure, psi: the factors add 14.4 to the gauge pressure, the flow rate 14.65.
inline constexpr double kFactorAtmosphere = 14.4;
inline constexpr double kFlowRateAtmosphere = 14.65;
inline constexpr double kRankine = 460; // degF to degR
inline constexpr double kInchesWaterPerPsi = 27.71364;
inline constexpr double kGravityBranch = 0.7; // steps 23, 24: upper branch from here

inline double gravity(double lat, double elev)
{
    return ((lat - 45) * 0.087 + 980.665) - 9.4e-5 * elev;
}
inline double Fl(double g)
{
    return std::sqrt(g / 980.665);
}
inline double FTf(double temp)
{
    return std::sqrt(520 / (temp + kRankine));
}
inline double FTb(double tb)
{
    return (tb + kRankine) / 520;
}
inline double FPb(double pb)
{
    return 14.73 / pb;
}
inline double Fg(double sg)
{
    return std::sqrt(1 / sg);
}
inline double beta(double plate, double meter)
{
    return plate / meter;
}
inline double beta4(double b)
{
    return b * b * b * b;
}
inline double Ke0(double meter, double b)
{
    return (0.007 / meter + 0.5993) + (0.076 / std::sqrt(meter) + 0.364) * beta4(b);
}
inline double R(double meter)
{
    return 530 / std::sqrt(meter);
}
inline double E(double plate, double b, double r)
{
    return plate * ((((830 - 5000 * b) + 9000 * (b * b)) - 4200 * (b * b * b)) + r);
}
inline double KDen(double e, double plate)
{
    return 1 + (15 * e) / (1e6 * plate);
}
inline double t1(double meter, double b)
{
    return (0.5 / meter + 0.07) - b;
}
inline double t2(double b)
{
    return 0.5 - b;
}
inline double t3(double b)
{
    return b - 0.7;
}
inline double A(double T1, double meter)
{
    const double m = 1.6 - 1 / meter;
    return T1 * (0.4 * (m * m * m * m * m));
}
inline double B(double T2, double meter)
{
    return T2 * (0.034 / meter + 0.009);
}
inline double C(double meter, double T3)
{
    return (65 / (meter * meter) + 3) * T3;
}
inline double Ke(double ke0, double a, double b, double c)
{
    return ((ke0 + a) - b) + c;
}
inline double K0(double ke, double kden)
{
    return ke / kden;
}
// Steps 23 and 24 take the lower branch below a gravity of 0.7, the upper from 0.7 on.
inline bool lowerGravityBranch(double sg)
{
    return sg < kGravityBranch;
}
inline double PpcLower(double sg)
{
    return 693 - 36 * sg;
}
inline double PpcUpper(double sg)
{
    return 740 - 100 * sg;
}
inline double TpcLower(double sg)
{
    return 191 + 274 * sg;
}
inline double TpcUpper(double sg)
{
    return 238 + 210 * sg;
}
inline double Ppc(double sg)
{
    return lowerGravityBranch(sg) ? PpcLower(sg) : PpcUpper(sg);
}
inline double Tpc(double sg)
{
    return lowerGravityBranch(sg) ? TpcLower(sg) : TpcUpper(sg);
}
// Gauge pressure over Ppc, as the engine defines it (no atmosphere added).
inline double Ppr(double pressure, double ppc)
{
    return pressure / ppc;
}
inline double Tpr(double temp, double tpc)
{
    return (temp + kRankine) / tpc;
}
inline double firstRho(double ppr, double tpr)
{
    return (0.27 * ppr) / tpr;
}
inline double rho(double ppr, double z, double tpr)
{
    return (0.27 * ppr) / (z * tpr);
}
// The compressibility correlation: four terms, summed left to right.
inline double zf(double tpr, double rho)
{
    const double tpr3 = tpr * tpr * tpr;
    return ((1 + ((0.31506 - 1.0467 / tpr) - 0.5783 / tpr3) * rho) +
            (0.5353 - 0.6123 / tpr) * (rho * rho)) +
           (0.6815 * (rho * rho)) / tpr3;
}
inline double Z(double z)
{
    return std::sqrt(1 / z);
}
inline double Pf(double pressure)
{
    return pressure + kFactorAtmosphere;
}
inline double hw(double difference)
{
    return difference * kInchesWaterPerPsi;
}
inline double Fr(double e, double meter, double k, double hw, double pf)
{
    return 1 + (e / ((12835 * meter) * k)) / std::sqrt(hw * pf);
}
inline double x1(double hw, double pf)
{
    return hw / (27.7 * pf);
}
inline double Y(double b, double x1)
{
    return 1 - ((0.41 + 0.35 * beta4(b)) * x1) / 1.3;
}
inline double Fb(double plate, double k0)
{
    return ((plate * plate) * 338.17) * k0;
}
inline double Fa(double temp)
{
    return (1e-5 * 1.85) * (temp - 68) + 1;
}
inline double All(double FTf, double FTb, double FPb, double Fg, double Fr, double Y, double Z,
                  double Fl, double Fa)
{
    return FTf * FTb * FPb * Fg * Fr * Y * Z * Fl * Fa;
}
inline double CPrime(double all, double fb)
{
    return all * fb;
}
// Without the failure test: FlowEngine::FlowRate turns a non-finite result into 0.
inline double flowRate(double pressure, double difference, double cPrime)
{
    return (cPrime * 0.024132) * std::sqrt(hw(difference) * (pressure + kFlowRateAtmosphere));
}

} // namespace flow_formula
