// How the firmware layer tells an outcome. Every operation that can fail returns a
// Status: 0 (kStatusOk) when it did what was asked, anything else when it may not
// have. A nonzero Status is the transfer's own answer (the driver's HRESULT) passed up
// as it came, or one of the codes below; the numbers are what callers and the trace
// have always seen (Open's 0, 1 and 160, a sector operation's 1 or 160).
//
// Questions answered yes or no (does a sector differ, is a backup intact, does a
// change do without an erase) stay bool. Where a caller outside the firmware layer
// takes a yes or no, the answer is Succeeded(status) and nothing else.
#pragma once

#include "platform/Constants.h"
#include "platform/Types.h"

namespace firmware {

using Status = platform::HResult;

constexpr Status kStatusOk = 0;
// Codes of the channel itself, beside the driver's HRESULTs.
constexpr Status kStatusNothingDone = 1;
constexpr Status kStatusOutOfRange = 160;
// A controller that never came back within our bounds.
constexpr Status kStatusTimeout = platform::kHRESULT_ERROR_TIMEOUT;
// The transport's budget is spent: nothing more is sent.
constexpr Status kStatusBudgetExhausted = platform::kHRESULT_ERROR_NOT_ENOUGH_QUOTA;
// A register write that was acknowledged but did not arrive (read back otherwise).
constexpr Status kStatusNotApplied = platform::kE_FAIL;

constexpr bool Succeeded(Status status) { return status == kStatusOk; }
// Every transfer's answer counts: anything but 0 is a transfer that may not have done
// what was asked.
constexpr bool Failed(Status status) { return status != kStatusOk; }

// Runs the steps in turn, each only when every one before it succeeded: the status of
// the first that failed, or kStatusOk. Each step is a callable returning a Status.
template <typename... Step>
Status InTurn(Step&&... steps) {
    Status status = kStatusOk;
    static_cast<void>((Succeeded(status = steps()) && ...));
    return status;
}

}  // namespace firmware
