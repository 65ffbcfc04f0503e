#include "speech_backends.h"

#include "process.h"
#include "upstream.h"

#include <nlohmann/json.hpp>

#include <array>
#include <functional>

namespace vorn::proxy {

using nlohmann::json;

namespace {

// Male English voices with a little character; espeak-ng's "+variant" syntax.
constexpr std::array<const char*, 4> kVoices = {"en-us+m3", "en-gb+m7", "en-us+m1", "en-gb-x-rp+m4"};

Reply audioReply(const std::string& name, UpstreamResult result, const Upstream& upstream) {
    if (result.failure)
        return *result.failure;
    if (result.status != 200)
        return Reply::text(502, describeUpstreamError(upstream, result.status, result.body));
    if (result.body.empty())
        return Reply::text(502, "The " + name + " returned no audio.");
    return {200, "audio/mpeg", std::move(result.body)};
}

} // namespace

std::size_t characterCount(const std::string& text) {
    std::size_t count = 0;
    for (unsigned char c : text)
        count += (c & 0xC0) != 0x80;
    return count;
}

bool looksLikeMp3(const std::string& bytes) {
    if (bytes.size() >= 3 && bytes.compare(0, 3, "ID3") == 0)
        return true;
    return bytes.size() >= 2 && static_cast<unsigned char>(bytes[0]) == 0xFF &&
           (static_cast<unsigned char>(bytes[1]) & 0xE0) == 0xE0;
}

std::string EspeakSpeech::voiceFor(const std::string& referenceId) {
    if (referenceId.empty())
        return kVoices[0];
    return kVoices[std::hash<std::string>{}(referenceId) % kVoices.size()];
}

std::vector<std::vector<std::string>> EspeakSpeech::commands(const SpeechRequest& request) const {
    return {
        {m_config.espeakPath, "--stdin", "--stdout", "-v", voiceFor(request.referenceId), "-s", "165"},
        // Speech needs little: 16 kHz mono at 32 kbit/s, encoded at the fast end.
        {m_config.lamePath, "--quiet", "-q", "7", "-b", "32", "-m", "m", "--resample", "16", "-", "-"},
    };
}

Reply EspeakSpeech::speak(const SpeechRequest& request) {
    const PipelineResult result = runPipeline(commands(request), request.text + "\n", m_config.speechTimeout);
    if (result.timedOut)
        return Reply::text(504, "Speech took too long and was stopped.");
    if (!result.ok || result.output.empty())
        return Reply::text(500, "Speech failed: " + (result.problem.empty() ? "no audio" : result.problem) +
                                    ". Are espeak-ng and lame installed?");
    if (!looksLikeMp3(result.output))
        return Reply::text(500, "Speech failed: the encoder did not produce MP3.");
    return {200, "audio/mpeg", result.output};
}

Reply FishAudioSpeech::speak(const SpeechRequest& request) {
    const Upstream upstream{m_config.fishaudioBaseUrl, m_config.fishaudioKey, m_config.upstreamTimeout,
                            "voice server", kMaxSpeechReplyBytes};
    const json body = {{"text", request.text},
                       {"reference_id", request.referenceId},
                       {"format", "mp3"},
                       {"normalize", true}};
    return audioReply(
        upstream.name,
        postJson(upstream, "/v1/tts", body.dump(-1, ' ', false, json::error_handler_t::replace)), upstream);
}

Reply OpenAISpeech::speak(const SpeechRequest& request) {
    const Upstream upstream{m_config.speechBaseUrl,
                            m_config.speechKey.empty() ? m_config.openaiKey : m_config.speechKey,
                            m_config.upstreamTimeout, "voice server", kMaxSpeechReplyBytes};
    const json body = {{"model", m_config.speechModel},
                       {"input", request.text},
                       {"voice", m_config.speechVoice},
                       {"response_format", "mp3"}};
    return audioReply(
        upstream.name,
        postJson(upstream, "/audio/speech", body.dump(-1, ' ', false, json::error_handler_t::replace)),
        upstream);
}

} // namespace vorn::proxy
