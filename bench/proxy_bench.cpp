// vorn-proxy's speed: the built-in writer alone and over HTTP, espeak speech
// of a 300-character message, the overhead of forwarding to a loopback
// upstream, and 2,000 requests from 50 concurrent clients.
#include "builtin_writer.h"
#include "chat_request.h"
#include "server.h"
#include "situation.h"

#include <benchmark/benchmark.h>
#include <httplib.h>
#include <nlohmann/json.hpp>

#include <algorithm>
#include <fstream>
#include <thread>

using namespace vorn::proxy;
using nlohmann::json;

namespace {

const std::string kToken = "bench-token-0123456789";

const std::string kSystem =
    "You are Vorn in Demon Mode. This is your intense, dark, low-empathy state.\n\nCurrent context: Urgency "
    "Score: "
    "62/100\nMode probabilities — Messianic: 10%, Demon: 60%, Normal: 30%\nProgress: 1/3 tasks "
    "completed\nActive "
    "task: Ship the invoice export (est. 25 min, finish by 14:10)\n\nPENDING TASKS:\n1. [PENDING] Ship the "
    "invoice "
    "export — est. 25 min, finish by 14:10\n2. [PENDING] Write the memo — est. 40 min, finish by 14:50\n\n"
    "COMPLETED TASKS:\n1. [DONE] Call the bank — on time\n\nRecent completions (48h): Call the bank (on "
    "time)\n"
    "Trigger: Task completed on time: Call the bank. 2 still pending.\nCurrent time: 13:45\n\nGenerate a "
    "response "
    "as Vorn in Demon Mode. Swear, berate, and be forceful.\nKeep it under 200 words.";

std::string chatBody() {
    return json{{"model", "gpt-4o-mini"},
                {"messages", json::array({{{"role", "system"}, {"content", kSystem}},
                                          {{"role", "user"}, {"content", "Write Vorn's message now."}}})},
                {"temperature", 0.8},
                {"max_tokens", 400}}
        .dump();
}

Config benchConfig() {
    Config config;
    config.listenPort = 0;
    config.tokens = {kToken};
    config.rateLimitPerMinute = 10'000'000;
    config.rateLimitBurst = 1'000'000;
    config.threads = 64;
    // The load run's 50 clients all come from 127.0.0.1.
    config.maxConnectionsPerClient = 64;
    return config;
}

struct RunningProxy {
    ProxyServer server;
    int port;
    std::thread thread;
    explicit RunningProxy(const Config& config)
        : server(config, makeBackends(config)), port(server.bind()), thread([this] { server.listen(); }) {}
    ~RunningProxy() {
        server.stop();
        thread.join();
    }
};

httplib::Headers auth() {
    return {{"Authorization", "Bearer " + kToken}};
}

long residentKiB() {
    std::ifstream status("/proc/self/status");
    std::string line;
    while (std::getline(status, line)) {
        if (line.rfind("VmRSS:", 0) == 0)
            return std::stol(line.substr(6));
    }
    return 0;
}

void BM_BuiltinWriter(benchmark::State& state) {
    const ChatRequest request = *parseChatRequest(chatBody()).request;
    std::mt19937 random(1);
    for (auto _ : state)
        benchmark::DoNotOptimize(writeMessage(readSituation(request), random));
}
BENCHMARK(BM_BuiltinWriter)->Unit(benchmark::kMicrosecond);

void BM_BuiltinChatOverHttp(benchmark::State& state) {
    RunningProxy proxy(benchConfig());
    httplib::Client client("127.0.0.1", proxy.port);
    const std::string body = chatBody();
    for (auto _ : state) {
        auto res = client.Post("/api/openai/chat", auth(), body, "application/json");
        if (!res || res->status != 200)
            state.SkipWithError("request failed");
    }
}
BENCHMARK(BM_BuiltinChatOverHttp)->Unit(benchmark::kMillisecond)->UseRealTime();

void BM_EspeakSpeech300(benchmark::State& state) {
    RunningProxy proxy(benchConfig());
    httplib::Client client("127.0.0.1", proxy.port);
    client.set_read_timeout(std::chrono::seconds(30));
    std::string text =
        "Look. Ship the invoice export now, not in five minutes. You had the time and you burned it. "
        "Two tasks still pending and the clock keeps running. Stop reading this and open the file. "
        "Finish it by ten past two, then write the memo. No more excuses, no coffee run. Move. Now.";
    text.resize(300, '.');
    const std::string body =
        json{{"text", text}, {"reference_id", "af31746d9d39416e98605ea35e3e79bd"}}.dump();
    for (auto _ : state) {
        auto res = client.Post("/api/fish-audio/tts", auth(), body, "application/json");
        if (!res || res->status != 200)
            state.SkipWithError("speech failed");
    }
}
BENCHMARK(BM_EspeakSpeech300)->Unit(benchmark::kMillisecond)->UseRealTime()->Iterations(15);

// Arg 0: the fake upstream directly; arg 1: the same through the proxy. The
// difference is the forwarding overhead.
void BM_Forwarding(benchmark::State& state) {
    httplib::Server upstream;
    const std::string answer =
        json{{"choices", json::array({{{"message", {{"role", "assistant"}, {"content", "Move."}}}}})}}.dump();
    upstream.Post(".*", [&](const httplib::Request&, httplib::Response& res) {
        res.set_content(answer, "application/json");
    });
    const int upstreamPort = upstream.bind_to_any_port("127.0.0.1");
    std::thread upstreamThread([&] { upstream.listen_after_bind(); });

    Config config = benchConfig();
    config.chatBackend = "openai";
    config.openaiBaseUrl = "http://127.0.0.1:" + std::to_string(upstreamPort) + "/v1";
    RunningProxy proxy(config);
    const bool direct = state.range(0) == 0;
    httplib::Client client("127.0.0.1", direct ? upstreamPort : proxy.port);
    const std::string body = chatBody();
    const char* path = direct ? "/v1/chat/completions" : "/api/openai/chat";
    for (auto _ : state) {
        auto res = client.Post(path, auth(), body, "application/json");
        if (!res || res->status != 200)
            state.SkipWithError("request failed");
    }
    upstream.stop();
    upstreamThread.join();
}
BENCHMARK(BM_Forwarding)->Arg(0)->Arg(1)->Unit(benchmark::kMillisecond)->UseRealTime();

// 50 clients, 2,000 requests to the built-in writer, twice: errors, latency
// percentiles, the resident memory before and after, and how much it grew in
// the second round.
void BM_Load50Clients(benchmark::State& state) {
    RunningProxy proxy(benchConfig());
    const std::string body = chatBody();
    constexpr int kClients = 50, kRequests = 2000;
    for (auto _ : state) {
        std::vector<double> latencies;
        std::atomic<int> errors{0};
        long residentAfterFirst = 0;
        const long residentBefore = residentKiB();
        for (int round = 0; round < 2; ++round) {
            std::vector<std::vector<double>> perClient(kClients);
            std::vector<std::thread> clients;
            for (int c = 0; c < kClients; ++c) {
                clients.emplace_back([&, c] {
                    httplib::Client client("127.0.0.1", proxy.port);
                    for (int i = 0; i < kRequests / kClients; ++i) {
                        const auto start = std::chrono::steady_clock::now();
                        auto res = client.Post("/api/openai/chat", auth(), body, "application/json");
                        perClient[c].push_back(std::chrono::duration<double, std::milli>(
                                                   std::chrono::steady_clock::now() - start)
                                                   .count());
                        if (!res || res->status != 200)
                            ++errors;
                    }
                });
            }
            for (auto& t : clients)
                t.join();
            if (round == 0) {
                residentAfterFirst = residentKiB();
                continue;
            }
            for (auto& l : perClient)
                latencies.insert(latencies.end(), l.begin(), l.end());
        }
        std::sort(latencies.begin(), latencies.end());
        state.counters["errors"] = errors.load();
        state.counters["p50_ms"] = latencies[latencies.size() / 2];
        state.counters["p99_ms"] = latencies[latencies.size() * 99 / 100];
        state.counters["rss_growth_KiB"] = static_cast<double>(residentKiB() - residentAfterFirst);
        state.counters["rss_before_MiB"] = static_cast<double>(residentBefore) / 1024.0;
        state.counters["rss_after_MiB"] = static_cast<double>(residentKiB()) / 1024.0;
    }
}
BENCHMARK(BM_Load50Clients)->Unit(benchmark::kMillisecond)->UseRealTime()->Iterations(1);

} // namespace

BENCHMARK_MAIN();
