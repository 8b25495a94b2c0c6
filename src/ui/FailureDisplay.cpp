#include "ui/FailureDisplay.h"

#include "base/CodePage.h"
#include "base/ErrorText.h"
#include "base/Failure.h"
#include "base/QtText.h"

#include <QString>

#include <cstdio>
#include <new>

namespace tavren {

void ShowFailure(Dialogs& dialogs, std::exception_ptr failure) noexcept {
  try {
    QString text;
    try {
      std::rethrow_exception(failure);
    } catch (const EAbort&) {
      return;
    } catch (const EFailure& e) {
      text = cp932::ToQString(ErrorBoxText(e.Message()));
    } catch (const std::bad_alloc&) {
      text = cp932::ToQString(ErrorBoxText(cp932::FromUtf8("メモリが不足しています")));
    } catch (const std::exception& e) {
      text = cp932::ToQString(ErrorBoxText(e.what()));
    } catch (...) {
      text = QStringLiteral("Unknown failure.");
    }
    dialogs.ErrorBox(text);
  } catch (...) {
    // The error box itself failed (out of memory): nothing is left to show it.
    std::fputs("tavren: a failure could not be shown\n", stderr);
  }
}

}  // namespace tavren
