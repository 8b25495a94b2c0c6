#include "net/HttpFailures.h"

#include <netdb.h>
#include <cerrno>

namespace tavren {

namespace {

// Windows socket error numbers and their descriptions.
struct SocketErrorText {
  int number;
  const char* text;
};
constexpr SocketErrorText kSocketErrorTexts[] = {
    {10004, "Interrupted system call."},
    {10009, "Bad file number."},
    {10013, "Permission denied."},
    {10014, "Bad address."},
    {10022, "Invalid argument."},
    {10024, "Too many open files."},
    {10035, "Operation would block."},
    {10036, "Operation now in progress."},
    {10037, "Operation already in progress."},
    {10038, "Socket operation on non-socket."},
    {10039, "Destination address required."},
    {10040, "Message too long."},
    {10041, "Protocol wrong type for socket."},
    {10042, "Bad protocol option."},
    {10043, "Protocol not supported."},
    {10044, "Socket type not supported."},
    {10045, "Operation not supported on socket."},
    {10046, "Protocol family not supported."},
    {10047, "Address family not supported by protocol family."},
    {10048, "Address already in use."},
    {10049, "Cannot assign requested address."},
    {10050, "Network is down."},
    {10051, "Network is unreachable."},
    {10052, "Net dropped connection or reset."},
    {10053, "Software caused connection abort."},
    {10054, "Connection reset by peer."},
    {10055, "No buffer space available."},
    {10056, "Socket is already connected."},
    {10057, "Socket is not connected."},
    {10058, "Cannot send or receive after socket is closed."},
    {10059, "Too many references, cannot splice."},
    {10060, "Connection timed out."},
    {10061, "Connection refused."},
    {10062, "Too many levels of symbolic links."},
    {10063, "File name too long."},
    {10064, "Host is down."},
    {10065, "No route to host."},
    {10066, "Directory not empty."},
    {10067, "Too many processes."},
    {10068, "Too many users."},
    {10069, "Disk quota exceeded."},
    {10070, "Stale NFS file handle."},
    {10071, "Too many levels of remote in path."},
    {11001, "Host not found."},
    {11002, "Non-authoritative host not found."},
    {11003, "Non-recoverable error."},
    {11004, "Valid name, no data record of requested type."},
};

// errno values the socket calls (socket, connect, send, recv, poll,
// getsockopt's SO_ERROR, getaddrinfo's EAI_SYSTEM) can give, with their
// Windows socket numbers. Linux's own conditions go to the Windows number
// that names the same outcome.
struct ErrnoNumber {
  int err;
  int number;
};
constexpr ErrnoNumber kErrnoNumbers[] = {
    {EINTR, 10004},
    {EBADF, 10009},
    {EACCES, 10013},
    {EPERM, 10013},
    {EFAULT, 10014},
    {EINVAL, 10022},
    {EMFILE, 10024},
    {ENFILE, 10024},
    {EWOULDBLOCK, 10035},
#if EAGAIN != EWOULDBLOCK
    {EAGAIN, 10035},
#endif
    {EINPROGRESS, 10036},
    {EALREADY, 10037},
    {ENOTSOCK, 10038},
    {EDESTADDRREQ, 10039},
    {EMSGSIZE, 10040},
    {EPROTOTYPE, 10041},
    {ENOPROTOOPT, 10042},
    {EPROTONOSUPPORT, 10043},
    {ESOCKTNOSUPPORT, 10044},
    {EOPNOTSUPP, 10045},
    {EPFNOSUPPORT, 10046},
    {EAFNOSUPPORT, 10047},
    {EADDRINUSE, 10048},
    {EADDRNOTAVAIL, 10049},
    {ENETDOWN, 10050},
    {ENETUNREACH, 10051},
    {ENETRESET, 10052},
    {ECONNABORTED, 10053},
    {ECONNRESET, 10054},
    {EPIPE, 10054},
    {ENOBUFS, 10055},
    {ENOMEM, 10055},
    {EISCONN, 10056},
    {ENOTCONN, 10057},
    {ESHUTDOWN, 10058},
    {ETOOMANYREFS, 10059},
    {ETIMEDOUT, 10060},
    {ECONNREFUSED, 10061},
    {ELOOP, 10062},
    {ENAMETOOLONG, 10063},
    {EHOSTDOWN, 10064},
    {EHOSTUNREACH, 10065},
    {ENOTEMPTY, 10066},
    {EUSERS, 10068},
    {EDQUOT, 10069},
    {ESTALE, 10070},
    {EREMOTE, 10071},
    // Linux only.
    {ENONET, 10050},  // not on the network: the network is down
    {EPROTO, 10053},  // a protocol error aborts the connection
    {ENOSR, 10055},   // out of stream resources
};

const ErrnoNumber* FindErrno(int err) noexcept {
  for (const ErrnoNumber& row : kErrnoNumbers)
    if (row.err == err) return &row;
  return nullptr;
}

std::string SocketErrorMessage(int code) {
  return "Socket Error # " + std::to_string(code) + "\r\n" + SocketErrorDescription(code);
}

}  // namespace

EIdSocketError::EIdSocketError(int code) : EIdException(SocketErrorMessage(code)), code_(code) {}

EIdConnClosedGracefully::EIdConnClosedGracefully() : EIdException("Connection Closed Gracefully.") {}

EIdBodyTooLarge::EIdBodyTooLarge(std::size_t limit)
    : EIdLimitExceeded("Response body exceeds the limit of " + std::to_string(limit) + " bytes.") {}

std::string SocketErrorDescription(int code) {
  for (const SocketErrorText& row : kSocketErrorTexts)
    if (row.number == code) return row.text;
  return {};
}

int SocketErrorFromErrno(int err) noexcept {
  const ErrnoNumber* row = FindErrno(err);
  return row != nullptr ? row->number : err;
}

int SocketErrorFromResolver(int eai, int eaiSystemErrno) noexcept {
  switch (eai) {
    case EAI_NONAME:
    case EAI_FAIL:
#ifdef EAI_NODATA
    case EAI_NODATA:
#endif
#ifdef EAI_ADDRFAMILY
    case EAI_ADDRFAMILY:
#endif
      return 11001;
    case EAI_AGAIN:
      return 11002;
    case EAI_MEMORY:
      return 10055;
    case EAI_FAMILY:
      return 10047;
    case EAI_SOCKTYPE:
      return 10044;
    case EAI_SERVICE:
      return 10022;
    case EAI_BADFLAGS:
      return 10022;
    case EAI_SYSTEM: {
      // A system failure inside the resolver (a missing configuration file
      // gives ENOENT): its errno's socket number where it has one, else the
      // resolver's own non-recoverable failure.
      const ErrnoNumber* row = FindErrno(eaiSystemErrno);
      return row != nullptr ? row->number : 11003;
    }
    default:
      return 11003;
  }
}

}  // namespace tavren
