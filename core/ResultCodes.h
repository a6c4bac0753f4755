#pragma once

// Result codes: one number space. Per-file codes come from ProcessFile;
// run-level codes stop a run. Codes above 256 count as errors.

namespace quillet {

inline constexpr int frDone = 0;
inline constexpr int frAutoSkipped = 16;
inline constexpr int frEmptySkipped = 17;
inline constexpr int frOpenError = 257;
inline constexpr int frTempOpenError = 258;
inline constexpr int frDefinitionOpenError = 260;
inline constexpr int frNoDefinitionLines = 261;
inline constexpr int frReadError = 263;
inline constexpr int frTooManyDefinitionLines = 264;
inline constexpr int frIncExtConflict = 265;
inline constexpr int frTempExtConflict = 266;
inline constexpr int frRecoveryFailed = 267;
inline constexpr int frWriteError = 268;
inline constexpr int frNoDefinitionFile = 270;
inline constexpr int frTempIncExtConflict = 271;
inline constexpr int frTimeStampError = 272;
inline constexpr int frNoFilesFound = 273;
inline constexpr int frAllFilesPattern = 274;
inline constexpr int frBinaryFile = 275;
inline constexpr int frStarOnlyDefinition = 276;
inline constexpr int frIncrementError = 277;
inline constexpr int frIncOpenError = 278;
inline constexpr int frOwnFile = 280;
// Run-level: a blank extension would name another file beside the log file.
inline constexpr int frBlankBackExt = 281;
inline constexpr int frBlankIncExt = 282;

// Codes above this count as errors in ErrorCount.
inline constexpr int kErrorThreshold = 256;

}  // namespace quillet
