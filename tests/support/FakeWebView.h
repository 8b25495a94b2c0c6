#pragma once
// A WebView that records what it is asked to do and keeps a history of its
// own, so window tests can check navigation without a browser engine.

#include "webview/WebView.h"

#include <QPointer>
#include <QStringList>
#include <QWidget>

#include <exception>
#include <functional>
#include <optional>
#include <string>

namespace tavren {

class FakeWebView : public WebView {
 public:
  FakeWebView();
  ~FakeWebView() override;

  // A plain QWidget, created with the fake. The window may re-parent it; the
  // fake deletes it only if nobody else has.
  QWidget* Widget() override;

  // Step through the fake history. Throw EOleException with the system's
  // text for E_FAIL ("エラーを特定できません") when there is no page in that
  // direction, like the real view; the current page stays as it was.
  void GoBack() override;
  void GoForward() override;

  // Every address that reached DoNavigate, in order. Refused script
  // addresses never get here.
  QStringList navigated;
  int backCalls = 0;
  int forwardCalls = 0;

  // Called inside DoNavigate before anything is recorded; a test can look
  // at the window's state at that moment or throw from here.
  std::function<void(const QString& address)> onNavigate;

  // When set, the next GoBack or GoForward throws it instead of stepping
  // (a failure other than the view's own, such as running out of memory).
  std::exception_ptr failNextStep;

  // When set, the next DoNavigate throws EOleException with this CP932
  // message (after onNavigate ran), records nothing and clears the setting.
  std::optional<std::string> failNextNavigate;

  // Replaces the history: `pages` with `current` the page on show (-1 for
  // an empty history). A navigation drops every page after `current`.
  void SetHistory(const QStringList& pages, int current);
  const QStringList& History() const { return history_; }
  int Current() const { return current_; }
  // The page on show, or an empty string when the history is empty.
  QString CurrentPage() const;

 protected:
  void DoNavigate(const QString& address) override;

 private:
  QPointer<QWidget> widget_;
  QStringList history_;
  int current_ = -1;
};

}  // namespace tavren
