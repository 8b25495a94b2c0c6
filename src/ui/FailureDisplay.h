#pragma once
// The dispatch point for failures. Qt does not carry exceptions through its
// event loop, so every handler that can fail runs inside Guarded(): a failure
// that escapes it is shown in the error box and the program goes on with the
// next event. No exception ever crosses a Qt frame.

#include "ui/Dialogs.h"

#include <exception>
#include <utility>

namespace tavren {

// Shows the failure held by `failure` in the error box: the message with the
// "." rule applied; EAbort shows nothing; an unknown exception shows its
// what() text. Never throws.
void ShowFailure(Dialogs& dialogs, std::exception_ptr failure) noexcept;

// Runs `handler`; a failure escaping it goes to ShowFailure. Never throws.
template <typename Handler>
void Guarded(Dialogs& dialogs, Handler&& handler) noexcept {
  try {
    std::forward<Handler>(handler)();
  } catch (...) {
    ShowFailure(dialogs, std::current_exception());
  }
}

}  // namespace tavren
