// tavren-guide links: checks every address of a guide.

#include "app/check/Json.h"
#include "app/guide/GuideCommands.h"
#include "authoring/LinkCheck.h"
#include "base/CodePage.h"
#include "base/ErrorText.h"
#include "base/Failure.h"

#include <unistd.h>

#include <charconv>
#include <chrono>
#include <iostream>
#include <string>
#include <string_view>

namespace tavren::guide {
namespace {

constexpr const char kLinksUsage[] =
    "usage: tavren-guide links [--json] [OPTIONS] GUIDE\n"
    "  Checks every page address of GUIDE and the header's author address over HTTP and HTTPS,\n"
    "  each distinct address once. Exit status 1 when any address is dead.\n"
    "  --json                 one JSON object per address and line, in the order they first appear\n"
    "  --max-connections N    open connections in all, idle ones included (default 32)\n"
    "  --max-per-host N       open connections per host, idle ones included (default 4)\n"
    "  --timeout SECONDS      time-out of one request, redirects included (default 20)\n"
    "  --total-timeout SECONDS  time-out of the whole check (default 600)\n";

bool ParsePositive(std::string_view text, int& value) {
  auto [end, ec] = std::from_chars(text.data(), text.data() + text.size(), value);
  return ec == std::errc() && end == text.data() + text.size() && value > 0;
}

// 12345 as "12,345".
std::string Grouped(std::size_t n) {
  const std::string digits = std::to_string(n);
  std::string out;
  for (std::size_t i = 0; i < digits.size(); ++i) {
    if (i > 0 && (digits.size() - i) % 3 == 0) out += ',';
    out += digits[i];
  }
  return out;
}

std::string Lines(const std::vector<int>& lines) {
  std::string out;
  for (int line : lines) {
    if (!out.empty()) out += ", ";
    out += std::to_string(line);
  }
  return out + " 行目";
}

std::string JsonLine(const GuideAddress& address, const LinkOutcome& outcome) {
  auto orNull = [](const std::string& s) { return s.empty() ? std::string("null") : json::Quote(s); };
  std::string out = "{\"address\":";
  out += json::Quote(cp932::ToUtf8(address.address));
  out += ",\"result\":\"";
  out += LinkResultName(outcome.result);
  out += "\",\"status\":";
  out += outcome.status ? std::to_string(*outcome.status) : std::string("null");
  out += ",\"location\":";
  out += orNull(outcome.locationUtf8);
  out += ",\"error\":";
  out += orNull(outcome.errorUtf8);
  out += ",\"lines\":[";
  for (std::size_t i = 0; i < address.lines.size(); ++i) {
    if (i > 0) out += ',';
    out += std::to_string(address.lines[i]);
  }
  return out + "]}\n";
}

std::string Summary(const GuideAddresses& guide, const LinkCheckReport& report) {
  std::size_t counts[4] = {};
  for (const LinkOutcome& o : report.outcomes) ++counts[static_cast<int>(o.result)];
  std::string out = Grouped(guide.addresses.size()) + " 件のアドレス: 正常 " +
                    Grouped(counts[static_cast<int>(LinkResult::Ok)]) + " 件, 転送 " +
                    Grouped(counts[static_cast<int>(LinkResult::Redirected)]) + " 件, リンク切れ " +
                    Grouped(counts[static_cast<int>(LinkResult::Dead)]) + " 件, 対象外 " +
                    Grouped(counts[static_cast<int>(LinkResult::Skipped)]) + " 件\n";
  for (LinkResult kind : {LinkResult::Dead, LinkResult::Redirected}) {
    if (counts[static_cast<int>(kind)] == 0) continue;
    out += kind == LinkResult::Dead ? "リンク切れ:\n" : "転送:\n";
    for (std::size_t i = 0; i < guide.addresses.size(); ++i) {
      const LinkOutcome& o = report.outcomes[i];
      if (o.result != kind) continue;
      out += "  ";
      out += cp932::ToUtf8(guide.addresses[i].address);
      if (o.status) {
        out += "  ";
        out += std::to_string(*o.status);
      }
      if (!o.errorUtf8.empty()) out += "  " + o.errorUtf8;
      if (!o.locationUtf8.empty()) out += "  → " + o.locationUtf8;
      out += "  (" + Lines(guide.addresses[i].lines) + ")\n";
    }
  }
  return out;
}

}  // namespace

int Links(int argc, char** argv) {
  LinkCheckOptions options;
  bool json = false;
  const char* path = nullptr;
  for (int i = 1; i < argc; ++i) {
    const std::string_view arg = argv[i];
    if (arg == "--json") {
      json = true;
    } else if (arg == "--max-connections" || arg == "--max-per-host" || arg == "--timeout" ||
               arg == "--total-timeout") {
      const char* value = Arg(argc, argv, i);
      int n = 0;
      if (!value || !ParsePositive(value, n))
        return UsageError(kLinksUsage, (std::string(arg) + " needs a whole number above 0").c_str());
      if (arg == "--max-connections")
        options.maxConnections = n;
      else if (arg == "--max-per-host")
        options.maxPerHost = n;
      else if (arg == "--timeout")
        options.requestTimeout = std::chrono::seconds(n);
      else
        options.totalTimeout = std::chrono::seconds(n);
    } else if (const int status = OtherArg(kLinksUsage, "GUIDE", argv[i], path); status >= 0) {
      return status;
    }
  }
  if (!path) return UsageError(kLinksUsage, "no GUIDE");

  GuideAddresses guide;
  try {
    guide = ReadGuideAddresses(path);
  } catch (const EFailure& failure) {
    std::cerr << "tavren-guide: " << path << ": " << cp932::ToUtf8(ErrorBoxText(failure.Message())) << "\n";
    return 2;
  }
  std::vector<std::string> urls;
  urls.reserve(guide.addresses.size());
  for (const GuideAddress& a : guide.addresses) urls.push_back(CheckableUrl(a.address));

  if (isatty(STDERR_FILENO)) {
    auto last = std::chrono::steady_clock::time_point{};
    options.progress = [last](std::size_t done, std::size_t total, std::size_t dead) mutable {
      const auto now = std::chrono::steady_clock::now();
      if (done < total && now - last < std::chrono::milliseconds(100)) return;
      last = now;
      std::cerr << "\r" << Grouped(done) << " / " << Grouped(total) << " 件確認済み, " << Grouped(dead) << " 件エラー"
                << (done == total ? "\n" : "") << std::flush;
    };
  }
  LinkCheckReport report;
  try {
    report = CheckLinks(urls, options);
  } catch (const std::runtime_error& e) {
    std::cerr << "tavren-guide: " << e.what() << "\n";
    return 2;
  }

  std::string out;
  if (json) {
    for (std::size_t i = 0; i < guide.addresses.size(); ++i) out += JsonLine(guide.addresses[i], report.outcomes[i]);
  } else {
    out = Summary(guide, report);
  }
  WriteOutput(nullptr, out.data(), out.size());
  bool dead = false;
  for (const LinkOutcome& o : report.outcomes) dead = dead || o.result == LinkResult::Dead;
  if (!guide.readFailureUtf8.empty()) {
    std::cerr << "tavren-guide: " << path << ": " << guide.readFailureUtf8 << " (ここまでのアドレスを確認しました)\n";
    return 1;
  }
  return dead ? 1 : 0;
}

}  // namespace tavren::guide
