#pragma once
// Repeatable output: SOURCE_DATE_EPOCH (seconds since 1970, the convention of reproducible
// builds) pins the clock that documents print as their creation time, in UTC, so that two
// runs of one batch write the same bytes.
namespace oxqr::cli {

// Pins the platform's clock when SOURCE_DATE_EPOCH holds a whole number; throws EUsage
// when it holds anything else.
void PinClockFromEnvironment();

}  // namespace oxqr::cli
