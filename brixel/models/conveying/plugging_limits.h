#pragma once

#include "brixel/framework/export.h"

// Plugging (saltation) velocities of dilute-phase conveying, m/s, from the solids mass flow
// (kg/s) and the gas and solid states. Every correlation gives 0 without solids.
namespace brixel {

// Rizk, coarse particles: the loading mu = Fr^4 / 20000 with Fr = v / sqrt(g D) solved for v;
// the tube diameter cancels.
double RizkPluggingVelocity(double solidsFlow, double gasDensity, double gravity);
// Muschelknautz, fine particles.
double MuschelknautzPluggingVelocity(double solidsFlow, double gasDensity, double gravity,
                                     double tubeDiameter);
// Segler: depends on the solids flow alone.
double SeglerPluggingVelocity(double solidsFlow);
// Wirth, coarse particles, with the bulk porosity and the friction parameter between solid
// cluster and tube wall.
double WirthPluggingVelocity(double solidsFlow, double gasDensity, double solidDensity,
                             double bulkPorosity, double gravity, double friction);
// Molerus et al., from dimensionless numbers formed with a fixed g = 9.81 m/s2.
double MolerusPluggingVelocity(double solidsFlow, double gasDensity);

}  // namespace brixel
