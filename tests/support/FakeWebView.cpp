#include "FakeWebView.h"

#include "base/CodePage.h"
#include "base/Failure.h"

#include <utility>

namespace tavren {
namespace {

[[noreturn]] void ThrowNoPage() { throw EOleException(cp932::FromUtf8("エラーを特定できません")); }

}  // namespace

FakeWebView::FakeWebView() : widget_(new QWidget) { widget_->setObjectName(QStringLiteral("FakeWebView")); }

FakeWebView::~FakeWebView() { delete widget_.data(); }

QWidget* FakeWebView::Widget() { return widget_.data(); }

void FakeWebView::GoBack() {
  ++backCalls;
  if (failNextStep) std::rethrow_exception(std::exchange(failNextStep, nullptr));
  if (current_ <= 0) ThrowNoPage();
  --current_;
}

void FakeWebView::GoForward() {
  ++forwardCalls;
  if (failNextStep) std::rethrow_exception(std::exchange(failNextStep, nullptr));
  if (current_ + 1 >= history_.size()) ThrowNoPage();
  ++current_;
}

void FakeWebView::SetHistory(const QStringList& pages, int current) {
  history_ = pages;
  current_ = pages.isEmpty() ? -1 : qBound(0, current, static_cast<int>(pages.size()) - 1);
}

QString FakeWebView::CurrentPage() const { return current_ >= 0 ? history_.at(current_) : QString(); }

void FakeWebView::DoNavigate(const QString& address) {
  if (onNavigate) onNavigate(address);
  if (failNextNavigate) {
    std::string message = std::move(*failNextNavigate);
    failNextNavigate.reset();
    throw EOleException(std::move(message));
  }
  navigated.append(address);
  history_.erase(history_.begin() + (current_ + 1), history_.end());
  history_.append(address);
  current_ = static_cast<int>(history_.size()) - 1;
}

}  // namespace tavren
