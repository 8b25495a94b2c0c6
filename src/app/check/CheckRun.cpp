#include "app/check/CheckRun.h"

#include "app/check/Json.h"
#include "base/CodePage.h"
#include "base/ErrorText.h"
#include "base/Failure.h"
#include "catalogue/Catalogue.h"
#include "catalogue/MemoryCatalogueWindow.h"

#include <algorithm>
#include <functional>

namespace tavren {
namespace {

std::vector<std::string> Decoded(const MemoryStringList& list) {
  std::vector<std::string> items;
  items.reserve(static_cast<std::size_t>(list.Count()));
  for (int i = 0; i < list.Count(); ++i) items.push_back(cp932::ToUtf8(list.View(i)));
  return items;
}

// One command as the window's event dispatch runs it: a failure is shown
// (here: recorded) and the program goes on.
void Dispatch(const std::function<void()>& command, std::vector<std::string>& errors) {
  try {
    command();
  } catch (const EAbort&) {
  } catch (const EFailure& failure) {
    errors.push_back(cp932::ToUtf8(ErrorBoxText(failure.Message())));
  }
}

}  // namespace

CheckResult RunCheck(const CheckOptions& options) {
  MemoryCatalogueWindow window;
  Catalogue catalogue(window);
  CheckResult result;
  window.ScriptChoice(options.file);
  Dispatch([&] { catalogue.Load(); }, result.errors);
  if (options.major) {
    window.SelectMajor(*options.major);
    Dispatch([&] { catalogue.FilterByMajor(); }, result.errors);
  }
  if (options.middle) {
    window.SelectMiddle(*options.middle);
    Dispatch([&] { catalogue.FilterByMiddle(); }, result.errors);
  }
  result.caption = cp932::ToUtf8(window.Caption());
  result.guideButton = cp932::ToUtf8(window.GuideButtonCaption());
  result.guideUrl = cp932::ToUtf8(catalogue.GuideUrl());
  result.major = Decoded(window.MajorList());
  result.middle = Decoded(window.MiddleList());
  result.titles = Decoded(window.TitleList());
  result.addresses = Decoded(window.AddressList());
  result.notes = Decoded(window.NoteList());
  result.majorIndex = catalogue.MajorIndex();
  result.middleIndex = catalogue.MiddleIndex();
  return result;
}

std::string ToJson(const CheckResult& r) {
  std::string out = "{";
  out += "\"caption\": " + json::Quote(r.caption);
  out += ", \"guideButton\": " + json::Quote(r.guideButton);
  out += ", \"guideUrl\": " + json::Quote(r.guideUrl);
  out += ", \"major\": " + json::Array(r.major);
  out += ", \"middle\": " + json::Array(r.middle);
  out += ", \"titles\": " + json::Array(r.titles);
  out += ", \"addresses\": " + json::Array(r.addresses);
  out += ", \"notes\": " + json::Array(r.notes);
  out += ", \"majorIndex\": " + std::to_string(r.majorIndex);
  out += ", \"middleIndex\": " + std::to_string(r.middleIndex);
  out += ", \"errors\": " + json::Array(r.errors);
  out += "}\n";
  return out;
}

std::string ToText(const CheckResult& r) {
  std::string out;
  out += "キャプション: " + r.caption + "\n";
  out += "ガイドボタン: " + r.guideButton + "\n";
  out += "ガイドのページ: " + r.guideUrl + "\n";
  auto list = [&out](const char* title, const std::vector<std::string>& items) {
    out += std::string(title) + " (" + std::to_string(items.size()) + "):\n";
    for (std::size_t i = 0; i < items.size(); ++i) out += "  " + std::to_string(i) + ": " + items[i] + "\n";
  };
  list("大分類", r.major);
  list("中分類", r.middle);
  std::size_t pages = std::max({r.titles.size(), r.addresses.size(), r.notes.size()});
  out += "ページ (" + std::to_string(r.titles.size()) + "):\n";
  for (std::size_t i = 0; i < pages; ++i) {
    out += "  " + std::to_string(i) + ": " + (i < r.titles.size() ? r.titles[i] : std::string("(なし)")) + "\n";
    if (i < r.addresses.size()) out += "      アドレス: " + r.addresses[i] + "\n";
    if (i < r.notes.size()) out += "      説明: " + r.notes[i] + "\n";
  }
  out += "MajorIndex: " + std::to_string(r.majorIndex) + "  MiddleIndex: " + std::to_string(r.middleIndex) + "\n";
  for (const auto& e : r.errors) out += "エラー: " + e + "\n";
  return out;
}

}  // namespace tavren
