// A network stream against servers on 127.0.0.1 that never answer or refuse: a read waiting for
// one is ended by a cancel (not by a time-out), and a refused connection is an error naming the
// URL. The radio walk (tests/radio) plays real stations.
#include "engine/stream/http_stream.h"

#include <arpa/inet.h>
#include <gtest/gtest.h>
#include <netinet/in.h>
#include <sys/socket.h>
#include <unistd.h>

#include <future>
#include <string>

namespace yumekaze::engine {
namespace {

// A socket listening on 127.0.0.1 that never accepts: connections wait in its backlog, unanswered.
class SilentServer {
 public:
  SilentServer() {
    fd_ = socket(AF_INET, SOCK_STREAM, 0);
    sockaddr_in address{};
    address.sin_family = AF_INET;
    address.sin_addr.s_addr = htonl(INADDR_LOOPBACK);
    socklen_t size = sizeof address;
    bind(fd_, reinterpret_cast<sockaddr*>(&address), size);
    listen(fd_, 4);
    getsockname(fd_, reinterpret_cast<sockaddr*>(&address), &size);
    port_ = ntohs(address.sin_port);
  }
  ~SilentServer() { close(fd_); }
  std::string Url() const { return "http://127.0.0.1:" + std::to_string(port_) + "/radio"; }

 private:
  int fd_ = -1;
  int port_ = 0;
};

TEST(HttpStream, CancelEndsAReadWaitingForAServerThatNeverAnswers) {
  SilentServer server;
  TMPHttpStream stream(server.Url());
  EXPECT_TRUE(IsStreamUrl(server.Url()));
  auto read = std::async(std::launch::async, [&] {
    uint8_t buffer[16];
    return stream.Read(buffer, sizeof buffer);
  });
  stream.Canceller()();
  // A cancelled stream ends; the server's silence would have given an error instead.
  EXPECT_EQ(read.get(), 0u);
  EXPECT_THROW(stream.Seek(10, SeekOrigin::Beginning), TMPStreamError);
}

TEST(HttpStream, ARefusedConnectionIsAnErrorNamingTheUrl) {
  std::string url;
  {
    SilentServer closed;  // its port is free again once it is gone
    url = closed.Url();
  }
  TMPHttpStream stream(url);
  uint8_t buffer[16];
  try {
    stream.Read(buffer, sizeof buffer);
    FAIL() << "read from a closed port";
  } catch (const TMPStreamError& error) {
    EXPECT_NE(std::string(error.what()).find(url), std::string::npos) << error.what();
  }
  EXPECT_EQ(stream.Facts().Url, url);
}

}  // namespace
}  // namespace yumekaze::engine
