// Loading from a URL: a one-shot HTTP server on the loopback address answers the request; the
// temporary file in the current directory is gone afterwards.
#include <arpa/inet.h>
#include <gtest/gtest.h>
#include <netinet/in.h>
#include <sys/socket.h>
#include <unistd.h>

#include <filesystem>
#include <string>
#include <thread>

#include "style/xml_document.h"
#include "xml_test_support.h"

using Tarn::Xml::kXmlSourceUrl;
using Tarn::Xml::XmlDocument;

namespace {

namespace fs = std::filesystem;

// Serves one canned response to one connection and keeps the request it got.
class OneShotServer {
public:
    explicit OneShotServer(std::string response) : response_(std::move(response)) {
        listener_ = ::socket(AF_INET, SOCK_STREAM, 0);
        sockaddr_in address{};
        address.sin_family = AF_INET;
        address.sin_addr.s_addr = htonl(INADDR_LOOPBACK);
        socklen_t length = sizeof address;
        if (::bind(listener_, reinterpret_cast<sockaddr*>(&address), length) != 0 ||
            ::listen(listener_, 1) != 0 ||
            ::getsockname(listener_, reinterpret_cast<sockaddr*>(&address), &length) != 0) {
            return;
        }
        port_ = ntohs(address.sin_port);
        thread_ = std::thread([this] { Serve(); });
    }
    ~OneShotServer() {
        if (thread_.joinable()) thread_.join();
        ::close(listener_);
    }

    std::string Url(const std::string& path) const {
        return "http://127.0.0.1:" + std::to_string(port_) + path;
    }
    const std::string& Request() {
        if (thread_.joinable()) thread_.join();
        return request_;
    }

private:
    void Serve() {
        const int client = ::accept(listener_, nullptr, nullptr);
        if (client < 0) return;
        char buffer[4096];
        while (request_.find("\r\n\r\n") == std::string::npos) {
            const ssize_t got = ::recv(client, buffer, sizeof buffer, 0);
            if (got <= 0) break;
            request_.append(buffer, static_cast<size_t>(got));
        }
        for (size_t sent = 0; sent < response_.size();) {
            const ssize_t n =
                ::send(client, response_.data() + sent, response_.size() - sent, MSG_NOSIGNAL);
            if (n <= 0) break;
            sent += static_cast<size_t>(n);
        }
        ::close(client);
    }

    std::string response_;
    int listener_ = -1;
    int port_ = 0;
    std::string request_;
    std::thread thread_;
};

std::string HttpOk(const std::string& body) {
    return "HTTP/1.1 200 OK\r\nContent-Type: text/xml\r\nContent-Length: " +
           std::to_string(body.size()) + "\r\nConnection: close\r\n\r\n" + body;
}

// Downloads land in the current directory: each test runs in its own empty one.
class XmlUrl : public xml_test::TempDirTest {
protected:
    void SetUp() override {
        TempDirTest::SetUp();
        previous_ = fs::current_path();
        fs::current_path(dir_);
    }
    void TearDown() override {
        fs::current_path(previous_);
        TempDirTest::TearDown();
    }
    bool DirectoryIsEmpty() const { return fs::is_empty(dir_); }

    fs::path previous_;
};

}  // namespace

TEST_F(XmlUrl, FetchesInChunksAndDeletesTheTemporaryFile) {
    // Several thousand bytes, so the body arrives in many 1000-byte chunks.
    std::string body = "<?xml version=\"1.0\"?>\r\n<r>\r\n";
    for (int i = 0; i < 300; ++i) body += "\t<item n=\"" + std::to_string(i) + "\"/>\r\n";
    body += "</r>\r\n";
    OneShotServer server(HttpOk(body));
    XmlDocument doc;
    ASSERT_TRUE(doc.Load(server.Url("/style.ghx"), kXmlSourceUrl));
    ASSERT_NE(doc.Root(), nullptr);
    EXPECT_EQ(doc.Root()->Children().size(), 300u);
    EXPECT_EQ(doc.Root()->Children()[299]->Attribute("n")->Value(), "299");

    EXPECT_NE(server.Request().find("GET /style.ghx HTTP/1.1\r\n"), std::string::npos);
    EXPECT_NE(server.Request().find("User-Agent: XML Library\r\n"), std::string::npos);
    // The path is the deleted temporary file's name: "xml..." in the current directory.
    EXPECT_EQ(fs::path(doc.Path()).parent_path(), fs::current_path());
    EXPECT_EQ(fs::path(doc.Path()).filename().string().rfind("xml", 0), 0u);
    EXPECT_TRUE(DirectoryIsEmpty());
}

TEST_F(XmlUrl, NothingFetchedGivesTheDefaultDocumentWithoutPath) {
    int port = 0;
    {
        OneShotServer closed(HttpOk(""));
        port = std::stoi(closed.Url("").substr(17));
        // Connect once so the server's thread ends; afterwards the port refuses connections.
        XmlDocument first;
        first.Load(closed.Url("/"), kXmlSourceUrl);
    }
    XmlDocument doc;
    ASSERT_TRUE(doc.Load("http://127.0.0.1:" + std::to_string(port) + "/x", kXmlSourceUrl));
    EXPECT_EQ(doc.Root()->Name(), "root");
    EXPECT_FALSE(doc.HasPath());
    EXPECT_TRUE(DirectoryIsEmpty());

    // Local files are not a URL source.
    xml_test::WriteBytes(dir_ / "local.xml", "<?xml?><local/>");
    ASSERT_TRUE(doc.Load("file://" + (dir_ / "local.xml").string(), kXmlSourceUrl));
    EXPECT_EQ(doc.Root()->Name(), "root");
}
