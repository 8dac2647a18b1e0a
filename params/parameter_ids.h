// Resource ids of the controls of the "ZBK parameters" group and its buttons, as used by the
// parameter tables. The dialog's resource ids of these controls are defined from these.
#pragma once

#include <array>

namespace params {

inline constexpr int kIdConnect = 1003;       // "Connect ZBK"
inline constexpr int kIdProgram = 1028;       // "Program ZBK"
inline constexpr int kIdBraxoMode = 1032;     // "BRAXO mode" checkbox
inline constexpr int kIdTimer10k = 1033;      // "Timer 10KHz" radio, starts the group
inline constexpr int kIdTimer20k = 1034;      // "20KHz" radio
inline constexpr int kIdTimer50k = 1040;      // "50KHz" radio
inline constexpr int kIdStepDuration = 1023;  // "Step duration (µs)" edit
inline constexpr int kIdDirDelay = 1022;      // "Delay for Dir before Step (µs)" edit
inline constexpr int kIdStepMotor1 = 1004;    // Motor1 (YL) Step pin list
inline constexpr int kIdDirMotor1 = 1005;     // Motor1 (YL) Dir pin list
inline constexpr int kIdStepMotor2 = 1009;    // Motor2 (XL) Step pin list
inline constexpr int kIdDirMotor2 = 1010;     // Motor2 (XL) Dir pin list
inline constexpr int kIdStepMotor3 = 1014;    // Motor3 (YR) Step pin list
inline constexpr int kIdDirMotor3 = 1024;     // Motor3 (YR) Dir pin list
inline constexpr int kIdStepMotor4 = 1025;    // Motor4 (XR) Step pin list
inline constexpr int kIdDirMotor4 = 1026;     // Motor4 (XR) Dir pin list
inline constexpr int kIdMotorOnPin = 1037;    // Motor ON "Pin" list
inline constexpr int kIdPreset = 1038;        // presets list ("Motor Interface")
inline constexpr int kIdActiveHigh = 1039;    // "Active High" checkbox
inline constexpr int kIdStepMode = 1041;      // Step "Mode" list

// Number of pin lists, and of m_nPinIndex entries.
inline constexpr int kPinListCount = 8;

// The pin lists in m_nPinIndex order: the four Step lists, then the four Dir lists.
inline constexpr std::array<int, kPinListCount> kPinListIds = {
    kIdStepMotor1, kIdStepMotor2, kIdStepMotor3, kIdStepMotor4,
    kIdDirMotor1,  kIdDirMotor2,  kIdDirMotor3,  kIdDirMotor4};

}  // namespace params
