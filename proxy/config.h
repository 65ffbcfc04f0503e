#pragma once

#include <chrono>
#include <cstddef>
#include <map>
#include <optional>
#include <string>
#include <vector>

namespace vorn::proxy {

// Everything vorn-proxy runs with: read from one "key = value" file, then
// from the environment, then from the command line, each overriding the last.
struct Config {
    // Where to listen. Port 0 lets the system pick one (see printPort).
    std::string listenHost = "127.0.0.1";
    int listenPort = 8765;
    bool printPort = false;
    bool checkOnly = false;
    bool insecureHttp = false;
    std::string tlsCert;
    std::string tlsKey;

    // The bearer tokens a client may present.
    std::vector<std::string> tokens;
    int rateLimitPerMinute = 120;
    int rateLimitBurst = 30;
    std::size_t maxBodyBytes = 256 * 1024;
    // Threads kept ready; more are started while all are busy, up to
    // maxConnections (a keep-alive connection holds one while it lasts).
    int threads = 8;
    int maxConnections = 512;
    int maxConnectionsPerClient = 32;
    // A request's headers and body must arrive within this, in all.
    std::chrono::milliseconds requestReadTimeout{10'000};
    // Failed logins allowed per client address: a burst, then this many a minute.
    int failedLoginBurst = 10;
    int failedLoginsPerMinute = 10;
    // Run as the app's own child: the listen address comes from the command
    // line alone and the file's listen and TLS settings (meant for a served
    // proxy) are ignored.
    bool appChild = false;

    // Chat: "builtin" or "openai".
    std::string chatBackend = "builtin";
    std::string openaiBaseUrl = "https://api.openai.com/v1";
    std::string openaiKey;
    std::string openaiModel; // empty: the model the app asks for
    // Model names (or prefixes ending in '*') that want max_completion_tokens.
    std::vector<std::string> maxCompletionTokensModels = {"o1*", "o3*", "o4*", "gpt-5*"};
    std::chrono::milliseconds upstreamTimeout{50'000};

    // Voice: "espeak", "fishaudio" or "openai-speech".
    std::string voiceBackend = "espeak";
    std::string espeakPath = "espeak-ng";
    std::string lamePath = "lame";
    std::size_t maxSpeechChars = 2000;
    std::chrono::milliseconds speechTimeout{20'000};
    std::string fishaudioBaseUrl = "https://api.fish.audio";
    std::string fishaudioKey;
    std::string speechBaseUrl = "https://api.openai.com/v1";
    std::string speechKey; // empty: openai_key
    std::string speechModel = "gpt-4o-mini-tts";
    std::string speechVoice = "onyx";

    // The path of the configuration file that was read, if any.
    std::string configPath;
    // The file that is read, or would be when it existed.
    std::string configFile;
};

// A configuration problem, in words for the person who wrote the file.
struct ConfigError {
    std::string message;
};

// Reads "key = value" lines ('#' starts a comment) over `config`. Unknown
// keys and malformed values are errors; nothing is half-applied on error.
std::optional<ConfigError> applyConfigText(Config& config, const std::string& text,
                                           const std::string& origin);

// The environment overrides: VORN_PROXY_TOKEN (one or more tokens separated
// by commas), VORN_PROXY_OPENAI_KEY, VORN_PROXY_FISHAUDIO_KEY,
// VORN_PROXY_SPEECH_KEY. `lookup` returns nullopt for an unset variable.
using EnvironmentLookup = std::optional<std::string> (*)(const char*);
void applyEnvironment(Config& config, EnvironmentLookup lookup);

// The whole start-up sequence: --config (or `defaultConfigPath` when that file
// exists), the environment, then the other options of `args` (without the
// program name). Returns the configuration or the first problem found.
struct LoadResult {
    std::optional<Config> config;
    std::optional<ConfigError> error;
    bool helpRequested = false;
};
LoadResult loadConfig(const std::vector<std::string>& args, const std::string& defaultConfigPath,
                      EnvironmentLookup lookup);

// What must hold before serving: tokens, a listen address that is loopback
// or covered by TLS or by --insecure-http, known back ends with their keys.
std::optional<ConfigError> validate(const Config& config);

bool isLoopbackHost(const std::string& host);

// ~/.config/Vorn/vorn-proxy.conf ($XDG_CONFIG_HOME honoured), or empty.
std::string defaultConfigPath(EnvironmentLookup lookup);

std::string usageText();

} // namespace vorn::proxy
