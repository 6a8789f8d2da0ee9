// The network search, against responders on loopback. The broadcast must never
// reach a real network: these tests are disabled in the ordinary run and are
// run by run_in_netns.sh inside a private network namespace, which it marks
// with TARVIK_IN_NETNS=1; without that mark they skip.
#include "device/discovery.h"

#include <gtest/gtest.h>
#include <winsock2.h>
#include <ws2tcpip.h>

#include <cstdlib>
#include <cstring>
#include <string>
#include <vector>

namespace {

bool InPrivateNamespace() {
    const char* mark = getenv("TARVIK_IN_NETNS");
    return mark != nullptr && strcmp(mark, "1") == 0;
}

// One answer of a simulated device: from which loopback address, after how
// long (counted from the request), and whether it is an empty datagram.
struct Answer {
    const char* from;
    int delayMs;
    bool empty;
};

constexpr uint16_t ResponderControlPort = 4570;

// Talks to search_responder.py, which the runner starts in the namespace: it
// plays the devices natively, since Wine binds a datagram socket given a
// loopback address to all addresses and would answer from 127.0.0.1 only.
class Responders {
   public:
    explicit Responders(const std::vector<Answer>& answers) {
        control_ = socket(AF_INET, SOCK_DGRAM, IPPROTO_UDP);
        DWORD timeoutMs = 5000;
        setsockopt(control_, SOL_SOCKET, SO_RCVTIMEO, reinterpret_cast<const char*>(&timeoutMs),
                   sizeof timeoutMs);
        std::string script = "SCRIPT";
        for (const Answer& a : answers) {
            script +=
                std::string(" ") + a.from + ":" + std::to_string(a.delayMs) + ":" + (a.empty ? "1" : "0");
        }
        scripted_ = Ask(script) == "OK";
    }
    ~Responders() { closesocket(control_); }
    bool Scripted() const { return scripted_; }
    // The last request the devices received.
    std::vector<uint8_t> Request() {
        std::string last = Ask("LAST");
        return std::vector<uint8_t>(last.begin(), last.end());
    }

   private:
    std::string Ask(const std::string& message) {
        sockaddr_in to{};
        to.sin_family = AF_INET;
        to.sin_port = htons(ResponderControlPort);
        to.sin_addr.s_addr = htonl(INADDR_LOOPBACK);
        sendto(control_, message.data(), static_cast<int>(message.size()), 0,
               reinterpret_cast<sockaddr*>(&to), sizeof to);
        char reply[2048];
        int got = recv(control_, reply, sizeof reply, 0);
        return got > 0 ? std::string(reply, got) : std::string();
    }

    SOCKET control_;
    bool scripted_ = false;
};

class NetworkSearch : public ::testing::Test {
   protected:
    void SetUp() override {
        if (!InPrivateNamespace())
            GTEST_SKIP() << "only inside a private network namespace (run_in_netns.sh)";
        WSADATA data;
        ASSERT_EQ(0, WSAStartup(MAKEWORD(2, 2), &data));
        requestLength = BuildSearchRequest(request, sizeof request);
    }
    void TearDown() override {
        if (InPrivateNamespace()) WSACleanup();
    }
    // Runs one search; the addresses found, in order.
    std::vector<std::string> Search(DWORD* elapsedMs = nullptr) {
        int32_t count = -1;
        DWORD start = GetTickCount();
        DiscoveredHost* hosts = DiscoverHosts(&count, request, requestLength);
        if (elapsedMs != nullptr) *elapsedMs = GetTickCount() - start;
        std::vector<std::string> found;
        for (int32_t i = 0; i < count; ++i)
            found.emplace_back(hosts[i].address, strnlen(hosts[i].address, 16));
        EXPECT_EQ(count == 0, hosts == nullptr) << "no list exactly when nothing answered";
        free(hosts);
        return found;
    }
    uint8_t request[256] = {};
    uint32_t requestLength = 0;
};

TEST_F(NetworkSearch, DISABLED_TheRequestGoesOutUnchanged) {
    Responders devices({});
    ASSERT_TRUE(devices.Scripted()) << "search_responder.py is not running";
    Search();
    std::vector<uint8_t> seen = devices.Request();
    const uint8_t expected[29] = {0x02, 'T', 'a', 'r', 'v', 'i', 'k', '4', '1', '0', '0', 0,   'M', 'o', 'r',
                                  'v',  'e', 'l', 'T', 'a', 'r', 'v', 'i', 'k', '4', '1', '0', '0', 0};
    ASSERT_EQ(29u, seen.size());
    EXPECT_EQ(0, memcmp(expected, seen.data(), 29));
}

TEST_F(NetworkSearch, DISABLED_AnswersAreListedInOrderOfArrival) {
    struct Case {
        const char* name;
        std::vector<Answer> answers;
        std::vector<std::string> expected;
    };
    const Case cases[] = {
        {"none", {}, {}},
        {"one", {{"127.0.0.2", 0, false}}, {"127.0.0.2"}},
        {"two", {{"127.0.0.3", 0, false}, {"127.0.0.2", 200, false}}, {"127.0.0.3", "127.0.0.2"}},
        {"one twice", {{"127.0.0.4", 0, false}, {"127.0.0.4", 100, false}}, {"127.0.0.4", "127.0.0.4"}},
        {"empty ends",
         {{"127.0.0.2", 0, false}, {"127.0.0.5", 100, true}, {"127.0.0.3", 200, false}},
         {"127.0.0.2"}},
        {"late ignored", {{"127.0.0.2", 0, false}, {"127.0.0.3", 3600, false}}, {"127.0.0.2"}},
    };
    for (const Case& c : cases) {
        Responders devices(c.answers);
        ASSERT_TRUE(devices.Scripted()) << c.name << ": search_responder.py is not running";
        DWORD elapsed = 0;
        std::vector<std::string> found = Search(&elapsed);
        EXPECT_EQ(c.expected, found) << c.name;
        EXPECT_GE(elapsed, 2900u) << c.name << ": the search waits for answers";
        EXPECT_LT(elapsed, 5000u) << c.name;
    }
}

TEST_F(NetworkSearch, DISABLED_BadArgumentsFailAtOnce) {
    int32_t count = 7;
    uint8_t big[SearchDatagramMax + 1] = {};
    EXPECT_EQ(nullptr, DiscoverHosts(&count, big, sizeof big));
    EXPECT_EQ(0, count);
    count = 7;
    EXPECT_EQ(nullptr, DiscoverHosts(&count, nullptr, 29));
    EXPECT_EQ(0, count);
    EXPECT_EQ(nullptr, DiscoverHosts(nullptr, request, requestLength));
}

// Run with the simulator answering the search (see run_in_netns.sh).
TEST_F(NetworkSearch, DISABLED_SimulatorAnswers) {
    std::vector<std::string> found = Search();
    ASSERT_EQ(1u, found.size());
    EXPECT_EQ("127.0.0.1", found[0]);
}

}  // namespace
