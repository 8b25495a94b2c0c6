#include "webview/EngineAccessibility.h"

#include <QByteArray>
#include <QtGlobal>

namespace tavren {

void EnableEngineAccessibility() {
  constexpr char kVariable[] = "QTWEBENGINE_ENABLE_LINUX_ACCESSIBILITY";
  if (!qEnvironmentVariableIsSet(kVariable)) {
    qputenv(kVariable, QByteArrayLiteral("1"));
  } else if (qgetenv(kVariable) == "0") {
    qunsetenv(kVariable);
  }
}

}  // namespace tavren
