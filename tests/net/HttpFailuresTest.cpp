#include "net/HttpFailures.h"

#include <gtest/gtest.h>
#include <netdb.h>
#include <cerrno>

namespace tavren {
namespace {

TEST(HttpFailures, SocketErrorMessageHasNumberAndDescription) {
  struct Row {
    int code;
    const char* message;
  } rows[] = {
      {10050, "Socket Error # 10050\r\nNetwork is down."},
      {10051, "Socket Error # 10051\r\nNetwork is unreachable."},
      {10053, "Socket Error # 10053\r\nSoftware caused connection abort."},
      {10054, "Socket Error # 10054\r\nConnection reset by peer."},
      {10060, "Socket Error # 10060\r\nConnection timed out."},
      {10061, "Socket Error # 10061\r\nConnection refused."},
      {10064, "Socket Error # 10064\r\nHost is down."},
      {10065, "Socket Error # 10065\r\nNo route to host."},
      {11001, "Socket Error # 11001\r\nHost not found."},
      {10055, "Socket Error # 10055\r\nNo buffer space available."},
      // Numbers without a description keep the line break and leave the second line empty.
      {12345, "Socket Error # 12345\r\n"},
      {5, "Socket Error # 5\r\n"},
  };
  for (const Row& r : rows) {
    const EIdSocketError e(r.code);
    EXPECT_EQ(e.Message(), r.message);
    EXPECT_EQ(e.LastError(), r.code);
  }
}

TEST(HttpFailures, EveryDescribedNumberIsOneSentence) {
  for (int code = 10000; code < 11100; ++code) {
    const std::string d = SocketErrorDescription(code);
    if (d.empty()) continue;
    EXPECT_EQ(d.back(), '.') << code;
    EXPECT_EQ(d.find('.'), d.size() - 1) << code;
    for (char c : d) EXPECT_TRUE(c >= 0x20 && c < 0x7F) << code;
  }
}

TEST(HttpFailures, ErrnoMapsToWindowsSocketNumbers) {
  const int rows[][2] = {
      {ENETDOWN, 10050},     {ENETUNREACH, 10051}, {ECONNABORTED, 10053}, {ECONNRESET, 10054},
      {EPIPE, 10054},        {ETIMEDOUT, 10060},   {ECONNREFUSED, 10061}, {EHOSTDOWN, 10064},
      {EHOSTUNREACH, 10065}, {EADDRINUSE, 10048},  {EMFILE, 10024},       {ENOBUFS, 10055},
  };
  for (const auto& r : rows) EXPECT_EQ(SocketErrorFromErrno(r[0]), r[1]) << "errno " << r[0];
  // Without a Windows counterpart the number passes through (and has no description).
  EXPECT_EQ(SocketErrorFromErrno(EIO), EIO);
}

TEST(HttpFailures, EveryErrnoOfTheSocketCallsHasADescribedNumber) {
  // What socket(2), connect(2), send(2), recv(2), poll(2) and a pending
  // SO_ERROR can give on Linux, ICMP-reported conditions included.
  const int socketErrnos[] = {
      EACCES,       EPERM,     EADDRINUSE,  EADDRNOTAVAIL, EAFNOSUPPORT, EAGAIN,       EALREADY,        EBADF,
      ECONNREFUSED, EFAULT,    EINPROGRESS, EINTR,         EISCONN,      ENETUNREACH,  ENOTSOCK,        EPROTOTYPE,
      ETIMEDOUT,    EINVAL,    EMFILE,      ENFILE,        ENOBUFS,      ENOMEM,       EPROTONOSUPPORT, ECONNRESET,
      EDESTADDRREQ, EMSGSIZE,  ENOTCONN,    EOPNOTSUPP,    EPIPE,        ECONNABORTED, EHOSTUNREACH,    EHOSTDOWN,
      ENETDOWN,     ENETRESET, ENONET,      EPROTO,        ENOPROTOOPT,  ESHUTDOWN,
  };
  for (int err : socketErrnos) {
    const int number = SocketErrorFromErrno(err);
    EXPECT_NE(number, err) << "errno " << err;
    EXPECT_FALSE(SocketErrorDescription(number).empty()) << "errno " << err << " -> " << number;
  }
}

TEST(HttpFailures, ResolverResultsMapToHostNotFound) {
  const int rows[][2] = {
      {EAI_NONAME, 11001}, {EAI_FAIL, 11001}, {EAI_NODATA, 11001}, {EAI_AGAIN, 11002}, {EAI_MEMORY, 10055},
  };
  for (const auto& r : rows) EXPECT_EQ(SocketErrorFromResolver(r[0], 0), r[1]) << "eai " << r[0];
  EXPECT_EQ(SocketErrorFromResolver(EAI_SYSTEM, ECONNREFUSED), 10061);
  EXPECT_EQ(SocketErrorFromResolver(EAI_SYSTEM, ENOENT), 11003);
}

TEST(HttpFailures, FixedMessages) {
  EXPECT_EQ(EIdConnClosedGracefully().Message(), "Connection Closed Gracefully.");
  const EIdHTTPProtocolException e("HTTP/1.1 404 Not Found", 404);
  EXPECT_EQ(e.Message(), "HTTP/1.1 404 Not Found");
  EXPECT_EQ(e.ErrorCode(), 404);
}

}  // namespace
}  // namespace tavren
