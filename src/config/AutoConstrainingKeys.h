// The environment keys of the auto-constraining parameters.
//
// Entry t - 1 of each per-type table belongs to VelaACType t. Header-only
// (constexpr data) so that test programs can list every key the
// configuration reads without the library exporting the tables.
#ifndef VELA_SRC_CONFIG_AUTOCONSTRAININGKEYS_H
#define VELA_SRC_CONFIG_AUTOCONSTRAININGKEYS_H

#include "vela/config/VelaAutoConstrainingParameters.h"

namespace vela::detail {

constexpr int kACTypeCount = VelaAutoConstrainingParameters::kTypeCount;

// "TRUE" turns the mode on. Spelt "Vel", not "Vela": callers' environments
// already carry this name.
inline constexpr const char* kACActivationKey = "VelAutoConstraining";
inline constexpr const char* kACDefaultPropagKey = "VelaACPDefaultPropag";

// "TRUE" lets the type be created.
inline constexpr const char* kACUsedKeys[kACTypeCount] = {
    "VelaACPDistance", "VelaACPAngle", "VelaACPParallelism",
    "VelaACPPerpendicularity", "VelaACPCoincidence", "VelaACPTangency",
    "VelaACPAntitangency", "VelaACPRadius", "VelaACPMajorRadius",
    "VelaACPMinorRadius", "VelaACPApexAngle", "VelaACPConcentricity",
    "VelaACPCoaxiality", "VelaACPMidPoint", "VelaACPSymmetry",
};

// The type's propagation length (atoi, cut to 16 bits).
inline constexpr const char* kACPropagKeys[kACTypeCount] = {
    "VelaACPDistancePropag", "VelaACPAnglePropag",
    "VelaACPParallelismPropag", "VelaACPPerpendicularityPropag",
    "VelaACPCoincidencePropag", "VelaACPTangencyPropag",
    "VelaACPAntitangencyPropag", "VelaACPRadiusPropag",
    "VelaACPMajorRadiusPropag", "VelaACPMinorRadiusPropag",
    "VelaACPApexAnglePropag", "VelaACPConcentricityPropag",
    "VelaACPCoaxialityPropag", "VelaACPMidPointPropag",
    "VelaACPSymmetryPropag",
};

}  // namespace vela::detail

#endif  // VELA_SRC_CONFIG_AUTOCONSTRAININGKEYS_H
