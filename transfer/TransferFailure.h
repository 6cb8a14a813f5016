#pragma once
// How a failure travels inside a transfer operation up to the operation's
// edge, where it is stored in the control's error state. Four kinds:
// user (the code is already stored), internet (win::CInternetException),
// local file, and memory (std::bad_alloc).
#include <cstdint>
#include <new>
#include <string>

#include "transfer/ErrorState.h"

// The code is in the error state already; the operation just ends.
struct CUserException {};

// A local file call failed with this operating-system error number. The
// item's name, when known, goes into the error's detail so the message
// says which file it was.
struct CFileException {
    std::uint32_t osError;
    std::string itemName = {};
};

// Stores `code` (and `lastError`) and ends the operation.
[[noreturn]] inline void Fail(ErrorState& error, std::int32_t code, std::uint32_t lastError = 0) {
    error.Set(code, lastError);
    throw CUserException{};
}

// Runs `work` and turns a user, file or memory failure into the error state
// (file: 100 with its system error and item name, memory: 10). True when `work` returned
// without one.
template <class Work>
bool RunGuarded(ErrorState& error, Work&& work) {
    try {
        work();
        return true;
    } catch (const CUserException&) {
    } catch (const CFileException& failure) {
        error.Set(errcode::kFileError, failure.osError);
        error.errorDetail = failure.itemName;
    } catch (const std::bad_alloc&) {
        error.Set(errcode::kOutOfMemory);
    }
    return false;
}
