// A network stream against servers on 127.0.0.1 that never answer, refuse or fall behind: a read
// waiting for one is ended by a cancel (not by a time-out), a refused connection is an error
// naming the URL, and a stream read empty gathers a prebuffer again. The radio walk (tests/radio)
// plays real stations.
#include "engine/stream/http_stream.h"

#include <arpa/inet.h>
#include <gtest/gtest.h>
#include <netinet/in.h>
#include <sys/socket.h>
#include <unistd.h>

#include <future>
#include <string>
#include <thread>

namespace yumekaze::engine {
namespace {

// A socket listening on 127.0.0.1. Alone it never accepts: connections wait in its backlog,
// unanswered.
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

 protected:
  int fd_ = -1;

 private:
  int port_ = 0;
};

// Sends a station's headers (8 kbit/s: a prebuffer of 3000 bytes) and 3000 bytes, then 3000 more
// and the end once told to.
class FallingBehindServer : public SilentServer {
 public:
  FallingBehindServer() {
    thread_ = std::thread([this] {
      const int client = accept(fd_, nullptr, nullptr);
      char request[1024];
      recv(client, request, sizeof request, 0);
      const std::string head = "HTTP/1.0 200 OK\r\nContent-Type: audio/mpeg\r\nicy-br: 8\r\n\r\n";
      const std::string part(3000, 'a');
      send(client, head.data(), head.size(), MSG_NOSIGNAL);
      send(client, part.data(), part.size(), MSG_NOSIGNAL);
      more_.get_future().wait();
      send(client, part.data(), part.size(), MSG_NOSIGNAL);
      close(client);
    });
  }
  ~FallingBehindServer() {
    if (!told_) more_.set_value();
    shutdown(fd_, SHUT_RDWR);
    thread_.join();
  }
  void SendTheRest() {
    told_ = true;
    more_.set_value();
  }

 private:
  std::promise<void> more_;
  bool told_ = false;
  std::thread thread_;
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

TEST(HttpStream, AStreamReadEmptyGathersAPrebufferAgain) {
  FallingBehindServer server;
  TMPHttpStream stream(server.Url());
  uint8_t buffer[8192];
  size_t got = 0;
  while (got < 3000) got += stream.Read(buffer, sizeof buffer);
  EXPECT_EQ(got, 3000u);
  EXPECT_LT(stream.Facts().BufferingPercent, 100);
  stream.SetWaits(false);
  EXPECT_THROW(stream.Read(buffer, sizeof buffer), TMPReadPending);
  server.SendTheRest();
  stream.SetWaits(true);
  // The rest comes once it fills the prebuffer; the stream then waits for a reconnection.
  got = 0;
  while (got < 3000) got += stream.Read(buffer, sizeof buffer);
  EXPECT_EQ(got, 3000u);
}

}  // namespace
}  // namespace yumekaze::engine
