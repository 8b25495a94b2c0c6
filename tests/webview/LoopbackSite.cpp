#include "LoopbackSite.h"

#include <QTcpSocket>

namespace tavren::test {

LoopbackSite::LoopbackSite() {
  server_.listen(QHostAddress::LocalHost, 0);
  QObject::connect(&server_, &QTcpServer::newConnection, &server_, [this] {
    while (QTcpSocket* socket = server_.nextPendingConnection()) {
      QObject::connect(socket, &QTcpSocket::readyRead, socket, [this, socket] { Serve(socket); });
      QObject::connect(socket, &QTcpSocket::disconnected, socket, &QObject::deleteLater);
    }
  });
}

SiteReply LoopbackSite::Page(const QByteArray& html, const QByteArray& extraHeaders, const QByteArray& status) {
  return {"HTTP/1.1 " + status + "\r\nContent-Type: text/html; charset=utf-8\r\nConnection: close\r\n" + extraHeaders +
          "Content-Length: " + QByteArray::number(html.size()) + "\r\n\r\n" + html};
}

QString LoopbackSite::Url(const char* path) const {
  return QStringLiteral("http://127.0.0.1:%1%2").arg(server_.serverPort()).arg(QLatin1String(path));
}

void LoopbackSite::Serve(QTcpSocket* socket) {
  QByteArray head = socket->property("head").toByteArray() + socket->readAll();
  socket->setProperty("head", head);
  const qsizetype end = head.indexOf("\r\n\r\n");
  if (end < 0 || socket->property("answered").toBool()) return;
  socket->setProperty("answered", true);
  head.truncate(end);
  heads_.append(head);
  const QByteArray path = head.split(' ').value(1);
  const auto route = routes_.find(path);
  const SiteReply reply = route != routes_.end()
                              ? route->second(head)
                              : SiteReply{"HTTP/1.1 404 Not Found\r\nConnection: close\r\nContent-Length: 0\r\n\r\n"};
  socket->write(reply.raw);
  if (!reply.hold) socket->disconnectFromHost();
}

}  // namespace tavren::test
