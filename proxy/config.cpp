#include "config.h"

#include "auth.h"

#include <arpa/inet.h>
#include <netinet/in.h>

#include <algorithm>
#include <charconv>
#include <fstream>
#include <functional>
#include <sstream>

namespace vorn::proxy {

namespace {

std::string trim(const std::string& text) {
    const auto first = text.find_first_not_of(" \t\r\n");
    if (first == std::string::npos)
        return {};
    const auto last = text.find_last_not_of(" \t\r\n");
    return text.substr(first, last - first + 1);
}

std::vector<std::string> splitList(const std::string& text) {
    std::vector<std::string> items;
    std::stringstream stream(text);
    std::string item;
    while (std::getline(stream, item, ',')) {
        item = trim(item);
        if (!item.empty())
            items.push_back(item);
    }
    return items;
}

std::optional<long long> parseInteger(const std::string& text, long long min, long long max) {
    long long value = 0;
    const char* end = text.data() + text.size();
    const auto [ptr, ec] = std::from_chars(text.data(), end, value);
    if (ec != std::errc() || ptr != end || value < min || value > max)
        return std::nullopt;
    return value;
}

std::optional<bool> parseFlag(const std::string& text) {
    if (text == "true" || text == "yes" || text == "on" || text == "1")
        return true;
    if (text == "false" || text == "no" || text == "off" || text == "0")
        return false;
    return std::nullopt;
}

// Splits "host:port" (IPv6 in brackets); false when it is not that shape.
bool parseListen(const std::string& text, std::string& host, int& port) {
    const auto colon = text.rfind(':');
    if (colon == std::string::npos || colon == 0)
        return false;
    std::string h = text.substr(0, colon);
    if (h.size() > 2 && h.front() == '[' && h.back() == ']')
        h = h.substr(1, h.size() - 2);
    const auto p = parseInteger(text.substr(colon + 1), 0, 65535);
    if (!p)
        return false;
    host = h;
    port = static_cast<int>(*p);
    return true;
}

using Setter = std::function<bool(Config&, const std::string&)>;

Setter text(std::string Config::*field) {
    return [field](Config& c, const std::string& v) {
        c.*field = v;
        return true;
    };
}

Setter integer(int Config::*field, int min, int max) {
    return [=](Config& c, const std::string& v) {
        const auto n = parseInteger(v, min, max);
        if (n)
            c.*field = static_cast<int>(*n);
        return n.has_value();
    };
}

Setter size(std::size_t Config::*field, long long min, long long max) {
    return [=](Config& c, const std::string& v) {
        const auto n = parseInteger(v, min, max);
        if (n)
            c.*field = static_cast<std::size_t>(*n);
        return n.has_value();
    };
}

// Time limits stay under the app's own 60 s, so that it reads our message
// rather than a transport timeout.
Setter seconds(std::chrono::milliseconds Config::*field) {
    return [=](Config& c, const std::string& v) {
        const auto n = parseInteger(v, 1, 55);
        if (n)
            c.*field = std::chrono::seconds(*n);
        return n.has_value();
    };
}

Setter list(std::vector<std::string> Config::*field) {
    return [=](Config& c, const std::string& v) {
        c.*field = splitList(v);
        return true;
    };
}

Setter flag(bool Config::*field) {
    return [=](Config& c, const std::string& v) {
        const auto f = parseFlag(v);
        if (f)
            c.*field = *f;
        return f.has_value();
    };
}

const std::map<std::string, Setter>& setters() {
    static const std::map<std::string, Setter> table = {
        {"listen",
         [](Config& c, const std::string& v) { return parseListen(v, c.listenHost, c.listenPort); }},
        {"insecure_http", flag(&Config::insecureHttp)},
        {"tls_cert", text(&Config::tlsCert)},
        {"tls_key", text(&Config::tlsKey)},
        {"tokens", list(&Config::tokens)},
        {"rate_limit_per_minute", integer(&Config::rateLimitPerMinute, 1, 1'000'000)},
        {"rate_limit_burst", integer(&Config::rateLimitBurst, 1, 1'000'000)},
        {"max_body_bytes", size(&Config::maxBodyBytes, 1024, 16 * 1024 * 1024)},
        {"threads", integer(&Config::threads, 1, 1024)},
        {"max_connections", integer(&Config::maxConnections, 1, 100'000)},
        {"max_connections_per_client", integer(&Config::maxConnectionsPerClient, 1, 100'000)},
        {"chat_backend", text(&Config::chatBackend)},
        {"openai_base_url", text(&Config::openaiBaseUrl)},
        {"openai_key", text(&Config::openaiKey)},
        {"openai_model", text(&Config::openaiModel)},
        {"max_completion_tokens_models", list(&Config::maxCompletionTokensModels)},
        {"upstream_timeout_seconds", seconds(&Config::upstreamTimeout)},
        {"voice_backend", text(&Config::voiceBackend)},
        {"espeak_path", text(&Config::espeakPath)},
        {"lame_path", text(&Config::lamePath)},
        {"max_speech_chars", size(&Config::maxSpeechChars, 1, 100'000)},
        {"speech_timeout_seconds", seconds(&Config::speechTimeout)},
        {"fishaudio_base_url", text(&Config::fishaudioBaseUrl)},
        {"fishaudio_key", text(&Config::fishaudioKey)},
        {"speech_base_url", text(&Config::speechBaseUrl)},
        {"speech_key", text(&Config::speechKey)},
        {"speech_model", text(&Config::speechModel)},
        {"speech_voice", text(&Config::speechVoice)},
    };
    return table;
}

std::optional<ConfigError> applySetting(Config& config, const std::string& key, const std::string& value,
                                        const std::string& where) {
    const auto& table = setters();
    const auto it = table.find(key);
    if (it == table.end())
        return ConfigError{where + ": unknown option \"" + key + "\""};
    if (!it->second(config, value))
        return ConfigError{where + ": invalid value for \"" + key + "\""};
    return std::nullopt;
}

bool fileExists(const std::string& path) {
    std::ifstream file(path);
    return file.good();
}

} // namespace

std::optional<ConfigError> applyConfigText(Config& config, const std::string& text,
                                           const std::string& origin) {
    Config updated = config;
    std::stringstream stream(text);
    std::string line;
    int number = 0;
    while (std::getline(stream, line)) {
        ++number;
        const std::string where = origin + ":" + std::to_string(number);
        const std::string content = trim(line);
        if (content.empty() || content.front() == '#')
            continue;
        const auto equals = content.find('=');
        if (equals == std::string::npos)
            return ConfigError{where + ": expected \"key = value\""};
        if (auto error = applySetting(updated, trim(content.substr(0, equals)),
                                      trim(content.substr(equals + 1)), where))
            return error;
    }
    config = std::move(updated);
    return std::nullopt;
}

void applyEnvironment(Config& config, EnvironmentLookup lookup) {
    const auto value = [lookup](const char* name) -> std::optional<std::string> {
        auto v = lookup(name);
        if (!v || trim(*v).empty())
            return std::nullopt;
        return trim(*v);
    };
    if (auto tokens = value("VORN_PROXY_TOKEN"))
        config.tokens = splitList(*tokens);
    if (auto key = value("VORN_PROXY_OPENAI_KEY"))
        config.openaiKey = *key;
    if (auto key = value("VORN_PROXY_FISHAUDIO_KEY"))
        config.fishaudioKey = *key;
    if (auto key = value("VORN_PROXY_SPEECH_KEY"))
        config.speechKey = *key;
}

LoadResult loadConfig(const std::vector<std::string>& args, const std::string& defaultPath,
                      EnvironmentLookup lookup) {
    LoadResult result;
    std::string configPath;
    bool explicitConfig = false;
    for (std::size_t i = 0; i < args.size(); ++i) {
        if (args[i] == "--config" && i + 1 < args.size()) {
            configPath = args[i + 1];
            explicitConfig = true;
        }
    }
    if (!explicitConfig && !defaultPath.empty() && fileExists(defaultPath))
        configPath = defaultPath;

    Config config;
    if (!configPath.empty()) {
        std::ifstream file(configPath);
        if (!file) {
            result.error = ConfigError{"cannot read the configuration file " + configPath};
            return result;
        }
        std::stringstream content;
        content << file.rdbuf();
        if (auto error = applyConfigText(config, content.str(), configPath)) {
            result.error = error;
            return result;
        }
        config.configPath = configPath;
    }
    config.configFile = configPath.empty() ? defaultPath : configPath;
    applyEnvironment(config, lookup);
    if (std::find(args.begin(), args.end(), "--exit-on-stdin-close") != args.end()) {
        // The app tells its child where to listen; a served proxy's address
        // and certificate in the same file must not move or break it.
        const Config defaults;
        config.listenHost = defaults.listenHost;
        config.listenPort = defaults.listenPort;
        config.tlsCert.clear();
        config.tlsKey.clear();
        config.insecureHttp = false;
        config.threads = 4;
        config.appChild = true;
    }

    for (std::size_t i = 0; i < args.size(); ++i) {
        const std::string& arg = args[i];
        const bool hasValue = i + 1 < args.size();
        if (arg == "--help" || arg == "-h") {
            result.helpRequested = true;
        } else if (arg == "--print-port") {
            config.printPort = true;
        } else if (arg == "--exit-on-stdin-close") {
            // read above
        } else if (arg == "--check") {
            config.checkOnly = true;
        } else if (arg == "--insecure-http") {
            config.insecureHttp = true;
        } else if ((arg == "--config" || arg == "--listen" || arg == "--tls-cert" || arg == "--tls-key") &&
                   hasValue) {
            const std::string& value = args[++i];
            if (arg == "--listen" && !parseListen(value, config.listenHost, config.listenPort)) {
                result.error = ConfigError{"--listen expects HOST:PORT, got \"" + value + "\""};
                return result;
            }
            if (arg == "--tls-cert")
                config.tlsCert = value;
            if (arg == "--tls-key")
                config.tlsKey = value;
        } else {
            result.error = ConfigError{"unknown or incomplete option \"" + arg + "\" (see --help)"};
            return result;
        }
    }
    result.config = std::move(config);
    return result;
}

bool isLoopbackHost(const std::string& host) {
    if (host == "localhost")
        return true;
    in_addr v4{};
    if (::inet_pton(AF_INET, host.c_str(), &v4) == 1)
        return (ntohl(v4.s_addr) >> 24) == 127;
    in6_addr v6{};
    if (::inet_pton(AF_INET6, host.c_str(), &v6) == 1) {
        if (IN6_IS_ADDR_LOOPBACK(&v6))
            return true;
        // An IPv4 loopback address written as IPv6.
        return IN6_IS_ADDR_V4MAPPED(&v6) && v6.s6_addr[12] == 127;
    }
    return false;
}

std::optional<ConfigError> validate(const Config& config) {
    if (config.tokens.empty())
        return ConfigError{"no token configured: set \"tokens\" in the configuration or VORN_PROXY_TOKEN"};
    for (std::size_t i = 0; i < config.tokens.size(); ++i) {
        if (config.tokens[i].size() < kMinTokenLength)
            return ConfigError{"token " + std::to_string(i + 1) + " is " +
                               std::to_string(config.tokens[i].size()) +
                               " characters long; tokens need at least " + std::to_string(kMinTokenLength) +
                               " (try: openssl rand -hex 24)"};
    }
    const bool tls = !config.tlsCert.empty() || !config.tlsKey.empty();
    if (tls && (config.tlsCert.empty() || config.tlsKey.empty()))
        return ConfigError{"TLS needs both --tls-cert and --tls-key"};
    if (tls && (!fileExists(config.tlsCert) || !fileExists(config.tlsKey)))
        return ConfigError{"cannot read the TLS certificate or key"};
    if (!isLoopbackHost(config.listenHost) && !tls && !config.insecureHttp)
        return ConfigError{"refusing to listen on " + config.listenHost +
                           " without TLS: give --tls-cert and --tls-key, or --insecure-http"};
    if (config.chatBackend != "builtin" && config.chatBackend != "openai")
        return ConfigError{"chat_backend must be \"builtin\" or \"openai\""};
    if (config.voiceBackend != "espeak" && config.voiceBackend != "fishaudio" &&
        config.voiceBackend != "openai-speech")
        return ConfigError{"voice_backend must be \"espeak\", \"fishaudio\" or \"openai-speech\""};
    const struct {
        const char* option;
        const std::string& url;
        const std::string& key;
        bool used;
    } upstreams[] = {
        {"openai_base_url", config.openaiBaseUrl, config.openaiKey, config.chatBackend == "openai"},
        {"fishaudio_base_url", config.fishaudioBaseUrl, config.fishaudioKey,
         config.voiceBackend == "fishaudio"},
        {"speech_base_url", config.speechBaseUrl,
         config.speechKey.empty() ? config.openaiKey : config.speechKey,
         config.voiceBackend == "openai-speech"},
    };
    for (const auto& upstream : upstreams) {
        if (!upstream.used)
            continue;
        const bool https = upstream.url.rfind("https://", 0) == 0;
        if (!https && upstream.url.rfind("http://", 0) != 0)
            return ConfigError{std::string(upstream.option) + " must start with http:// or https://"};
        // A key over plain HTTP is only acceptable to a server on this machine.
        const std::string rest = upstream.url.substr(https ? 8 : 7);
        std::string host = rest.substr(0, rest.find_first_of("/"));
        if (host.empty())
            return ConfigError{std::string(upstream.option) + " has no host"};
        if (host.front() == '[')
            host = host.substr(1, host.find(']') - 1);
        else
            host = host.substr(0, host.find(':'));
        if (!https && !upstream.key.empty() && !isLoopbackHost(host))
            return ConfigError{std::string("refusing to send a key over plain HTTP: ") + upstream.option +
                               " must use https"};
    }
    if (config.voiceBackend == "fishaudio" && config.fishaudioKey.empty())
        return ConfigError{"voice_backend fishaudio needs fishaudio_key (or VORN_PROXY_FISHAUDIO_KEY)"};
    if (config.voiceBackend == "openai-speech" && config.speechKey.empty() && config.openaiKey.empty())
        return ConfigError{"voice_backend openai-speech needs speech_key or openai_key"};
    return std::nullopt;
}

std::string defaultConfigPath(EnvironmentLookup lookup) {
    if (auto xdg = lookup("XDG_CONFIG_HOME"); xdg && !xdg->empty())
        return *xdg + "/Vorn/vorn-proxy.conf";
    if (auto home = lookup("HOME"); home && !home->empty())
        return *home + "/.config/Vorn/vorn-proxy.conf";
    return {};
}

std::string usageText() {
    return "Usage: vorn-proxy [options]\n"
           "  --config FILE      read FILE instead of ~/.config/Vorn/vorn-proxy.conf\n"
           "  --listen HOST:PORT where to listen (default 127.0.0.1:8765; port 0 picks a free one)\n"
           "  --print-port       once listening, print the port as the first line of output\n"
           "  --tls-cert FILE    serve HTTPS with this certificate (PEM)\n"
           "  --tls-key FILE     and this private key (PEM)\n"
           "  --insecure-http    allow plain HTTP on an address outside the loopback range\n"
           "  --check            validate the configuration and exit\n"
           "  --exit-on-stdin-close  run as Vorn's own proxy: end as soon as standard input closes, and\n"
           "                     ignore the file's listen, TLS and threads settings\n"
           "Environment: VORN_PROXY_TOKEN (accepted tokens, comma separated), VORN_PROXY_OPENAI_KEY,\n"
           "  VORN_PROXY_FISHAUDIO_KEY, VORN_PROXY_SPEECH_KEY.\n";
}

} // namespace vorn::proxy
