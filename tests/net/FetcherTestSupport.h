#pragma once
// Shared pieces of the fetcher tests: quick limits and catching a fetch's
// failure as (kind, message).

#include "net/HttpFailures.h"
#include "net/HttpFetcher.h"

#include <functional>
#include <string>

namespace tavren::test {

inline FetcherLimits QuickLimits() {
  FetcherLimits limits;
  limits.connectTimeout = std::chrono::milliseconds(2000);
  limits.readTimeout = std::chrono::milliseconds(1500);
  return limits;
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
