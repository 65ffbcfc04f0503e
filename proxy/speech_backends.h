#pragma once

#include "chat_request.h"
#include "config.h"
#include "reply.h"

#include <string>
#include <vector>

namespace vorn::proxy {

class SpeechBackend {
public:
    virtual ~SpeechBackend() = default;
    // MP3 bytes for the request's text (already checked: not blank, not too long).
    virtual Reply speak(const SpeechRequest& request) = 0;
};

// espeak-ng piped into lame, as child processes.
class EspeakSpeech : public SpeechBackend {
public:
    explicit EspeakSpeech(const Config& config) : m_config(config) {}
    Reply speak(const SpeechRequest& request) override;

    // The espeak-ng voice a reference id picks: the same id, the same voice.
    static std::string voiceFor(const std::string& referenceId);
    std::vector<std::vector<std::string>> commands(const SpeechRequest& request) const;

private:
    Config m_config;
};

// The Fish Audio text-to-speech service, the app's request passed on.
class FishAudioSpeech : public SpeechBackend {
public:
    explicit FishAudioSpeech(const Config& config) : m_config(config) {}
    Reply speak(const SpeechRequest& request) override;

private:
    Config m_config;
};

// An OpenAI-compatible speech endpoint ("/audio/speech"), MP3 out.
class OpenAISpeech : public SpeechBackend {
public:
    explicit OpenAISpeech(const Config& config) : m_config(config) {}
    Reply speak(const SpeechRequest& request) override;

private:
    Config m_config;
};

// The number of characters (code points) of UTF-8 text.
std::size_t characterCount(const std::string& text);

// True when `bytes` begin like an MP3 file: an ID3 tag or an MPEG audio frame sync.
bool looksLikeMp3(const std::string& bytes);

} // namespace vorn::proxy
