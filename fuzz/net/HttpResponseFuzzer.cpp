// Feeds arbitrary bytes to the fetcher as what the server sends back.
//
// Input: one control byte, then the replies separated by "\xff\xfe\xfd\xfc"
// (at most four). The control byte picks how many bytes each receive hands
// out and whether the connection ends with a reset or an orderly close. Each
// reply answers one request; the fetcher makes one fetch per reply, so kept
// and reopened connections are both exercised. The same input goes once
// through GetText and once through GetToStream.
#include "net/ByteStream.h"
#include "net/HttpFailures.h"
#include "net/HttpFetcher.h"
#include "net/MemoryConnection.h"

#include <cstddef>
#include <cstdint>
#include <cstdlib>
#include <string>
#include <string_view>
#include <vector>

namespace {

using namespace tavren;

FetcherLimits FuzzLimits() {
  FetcherLimits limits;
  // Small bounds reach the limit paths with small inputs.
  limits.maxTextBody = 4096;
  limits.maxStreamBody = 8192;
  limits.maxHead = 2048;
  return limits;
}

void FetchAll(const std::vector<std::string>& replies, std::size_t piece, bool reset, bool toStream) {
  MemoryScript script{replies, piece, reset};
  HttpFetcher fetcher(FuzzLimits(), std::make_unique<MemoryConnector>(std::vector<MemoryScript>{script}));
  const std::size_t bound = toStream ? FuzzLimits().maxStreamBody : FuzzLimits().maxTextBody;
  for (std::size_t i = 0; i < replies.size(); ++i) {
    try {
      if (toStream) {
        StringByteStream stream;
        fetcher.GetToStream("http://site.jp/cm/tavren/0.jpg", stream);
        if (stream.Data().size() > bound) std::abort();
      } else {
        if (fetcher.GetText("http://site.jp/cm/tavren/cm0.txt").size() > bound) std::abort();
      }
    } catch (const EIdException& e) {
      // Every failure carries a message.
      if (e.Message().empty()) std::abort();
    }
  }
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
  if (size == 0) return 0;
  const std::uint8_t control = data[0];
  const std::string_view input(reinterpret_cast<const char*>(data + 1), size - 1);
  constexpr std::string_view kSeparator("\xff\xfe\xfd\xfc", 4);
  std::vector<std::string> replies;
  std::size_t start = 0;
  while (replies.size() < 3) {
    const std::size_t at = input.find(kSeparator, start);
    if (at == std::string_view::npos) break;
    replies.emplace_back(input.substr(start, at - start));
    start = at + kSeparator.size();
  }
  replies.emplace_back(input.substr(start));

  const std::size_t pieces[] = {1, 2, 3, 7, 64, 1000, 4096, 65536};
  const std::size_t piece = pieces[control & 7];
  const bool reset = (control & 8) != 0;
  FetchAll(replies, piece, reset, false);
  FetchAll(replies, piece, reset, true);
  return 0;
}
