#pragma once
// Shared pieces of the fetcher tests: a whole response, and catching a
// fetch's failure as (kind, message).

#include "net/HttpFailures.h"
#include "net/HttpFetcher.h"

#include <functional>
#include <string>
#include <string_view>

namespace tavren::test {

// A complete response with Content-Length.
inline std::string Response(std::string_view statusLine, std::string_view body, std::string_view extraHeaders = "") {
  std::string r(statusLine);
  r += "\r\nContent-Length: " + std::to_string(body.size()) + "\r\n";
  r += extraHeaders;
  r += "\r\n";
  r += body;
  return r;
}

struct Outcome {
  std::string kind;  // "ok" or the failure's class
  std::string message;
};

inline Outcome Attempt(const std::function<void()>& fetch) {
  try {
    fetch();
    return {"ok", {}};
  } catch (const EIdHTTPProtocolException& e) {
    return {"protocol " + std::to_string(e.ErrorCode()), e.Message()};
  } catch (const EIdSocketError& e) {
    return {"socket", e.Message()};
  } catch (const EIdConnClosedGracefully& e) {
    return {"closed", e.Message()};
  } catch (const EIdLimitExceeded& e) {
    return {"limit", e.Message()};
  } catch (const EIdMalformedResponse& e) {
    return {"malformed", e.Message()};
  } catch (const EIdBadAddress& e) {
    return {"address", e.Message()};
  } catch (const EFailure& e) {
    return {"failure", e.Message()};
  }
}

}  // namespace tavren::test
