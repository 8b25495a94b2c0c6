#include "ui/FormSearchWindow.h"

#include <QLabel>

#include "base/QtText.h"
#include "ui/Dialogs.h"
#include "ui/GuideListBox.h"
#include "ui/Unit1.h"
#include "webview/WebView.h"

namespace tavren {

void FormSearchWindow::SelectCategories(int major, int middle) {
  form_.ListBox(1).SetItemIndex(major);
  form_.ListBox(2).SetItemIndex(middle);
}

void FormSearchWindow::PickPage(int row) {
  form_.ListBox(3).SetItemIndex(row);
  form_.ListBox3Click();
}

void FormSearchWindow::Navigate(std::string_view address) { webView_.Navigate(cp932::ToQString(address)); }

void FormSearchWindow::ShowNote(std::string_view note) {
  form_.Label3().setText(cp932::ToQString(note));
  form_.Label3().adjustSize();
}

void FormSearchWindow::Message(std::string_view text) { dialogs_.Message(cp932::ToQString(text)); }

}  // namespace tavren
