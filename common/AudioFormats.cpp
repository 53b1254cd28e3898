#include "common/AudioFormats.h"

#include "common/Text.h"

#include <QtGlobal>

#include <array>

namespace common {
namespace {

// The list texts are translated where the window shows them. The WAV entry carries the same fragment as the
// normal MP3 entry, bit rate included. The entries after the first five keep the source's sample rate and
// channels (Opus is always 48 kHz) and leave the video out.
constexpr std::array<AudioFormat, 10> kFormats = {{
    {QT_TRANSLATE_NOOP("AudioFormats", "MP3 - High Quality Audio (256 Kbps, Stereo)"), "mp3-256", ".mp3",
     "-ar 44100 -ab 256kbit/s -ac 2 "},
    {QT_TRANSLATE_NOOP("AudioFormats", "MP3 - Normal Quality Audio (128 Kbps, Stereo)"), "mp3-128", ".mp3",
     "-ar 44100 -ab 128kbit/s -ac 2 "},
    {QT_TRANSLATE_NOOP("AudioFormats", "MP3 - Economy Quality Audio (64 Kbps, Mono)"), "mp3-64", ".mp3",
     "-ar 44100 -ab 64kbit/s -ac 1 "},
    {QT_TRANSLATE_NOOP("AudioFormats", "WAV - Lossless Audio (Stereo)"), "wav", ".wav",
     "-ar 44100 -ab 128kbit/s -ac 2 "},
    {QT_TRANSLATE_NOOP("AudioFormats", "WMA - Windows Media Audio (Stereo)"), "wma", ".wma",
     "-ar 44100 -ab 128kbit/s -ac 2 -vn -acodec wmav2 "},
    {QT_TRANSLATE_NOOP("AudioFormats", "Original audio (no re-encoding)"), "original", "",
     "-vn -acodec copy ", true},
    {QT_TRANSLATE_NOOP("AudioFormats", "Opus (160 Kbps)"), "opus", ".opus",
     "-vn -acodec libopus -ab 160kbit/s -ar 48000 "},
    {QT_TRANSLATE_NOOP("AudioFormats", "M4A - AAC (192 Kbps)"), "m4a", ".m4a",
     "-vn -acodec aac -ab 192kbit/s "},
    {QT_TRANSLATE_NOOP("AudioFormats", "FLAC - Lossless"), "flac", ".flac", "-vn -acodec flac "},
    {QT_TRANSLATE_NOOP("AudioFormats", "OGG Vorbis (quality 6)"), "ogg", ".ogg",
     "-vn -acodec libvorbis -q:a 6 "},
}};

}  // namespace

std::span<const AudioFormat> audioFormats() {
  return kFormats;
}

const AudioFormat* audioFormatAt(int index) {
  if (index < 0 || index >= static_cast<int>(kFormats.size())) return nullptr;
  return &kFormats[static_cast<std::size_t>(index)];
}

int audioFormatIndex(std::string_view name) {
  for (std::size_t i = 0; i < kFormats.size(); ++i) {
    if (equalsNoCase(kFormats[i].name, name)) return static_cast<int>(i);
  }
  return -1;
}

std::string audioFormatNames() {
  std::string names;
  for (std::size_t i = 0; i < kFormats.size(); ++i) {
    if (i > 0) names += i + 1 == kFormats.size() ? " or " : ", ";
    names += kFormats[i].name;
  }
  return names;
}

}  // namespace common
