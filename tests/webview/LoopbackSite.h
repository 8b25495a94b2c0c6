#pragma once
// A web site on 127.0.0.1 (a free port) served on the GUI thread, so the
// engine tests can answer each request by its path and headers and can hold
// or cut an answer half-way.

#include <QByteArray>
#include <QList>
#include <QTcpServer>

#include <functional>
#include <map>

namespace tavren::test {

struct SiteReply {
  QByteArray raw;     // status line, headers, empty line and (some of) the body
  bool hold = false;  // keep the connection open after `raw` (a slow answer)
};

class LoopbackSite {
 public:
  // Takes the request head (request line and headers) and answers.
  using Handler = std::function<SiteReply(const QByteArray& head)>;

  LoopbackSite();
  // A complete text/html answer.
  static SiteReply Page(const QByteArray& html, const QByteArray& extraHeaders = {},
                        const QByteArray& status = "200 OK");

  void Route(const QByteArray& path, Handler handler) { routes_[path] = std::move(handler); }
  void Route(const QByteArray& path, const QByteArray& html) {
    Route(path, [html](const QByteArray&) { return Page(html); });
  }
  QString Url(const char* path) const;
  // Every request head received, in order.
  const QList<QByteArray>& Heads() const { return heads_; }

 private:
  void Serve(QTcpSocket* socket);

  QTcpServer server_;
  std::map<QByteArray, Handler> routes_;
  QList<QByteArray> heads_;
};

}  // namespace tavren::test
