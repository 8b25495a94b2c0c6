#pragma once
// The main window as the page search's SearchWindow: opening a found page
// selects the window's own list items, runs its page pick and shows the note
// in its note label.

#include "catalogue/FoundPage.h"

namespace tavren {

class Dialogs;
class TForm1;
class WebView;

class FormSearchWindow : public SearchWindow {
 public:
  // All three must outlive this.
  FormSearchWindow(TForm1& form, WebView& webView, Dialogs& dialogs) noexcept
      : form_(form), webView_(webView), dialogs_(dialogs) {}

  void SelectCategories(int major, int middle) override;
  void PickPage(int row) override;  // ListBox3Click, with its own error box
  void Navigate(std::string_view address) override;
  void ShowNote(std::string_view note) override;
  void Message(std::string_view text) override;

 private:
  TForm1& form_;
  WebView& webView_;
  Dialogs& dialogs_;
};

}  // namespace tavren
