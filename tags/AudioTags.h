// The tags and the front cover of an audio file, written in the format's own way: ID3v2.3 with an APIC frame
// in MP3, the RIFF INFO list and an ID3 chunk in WAV, ASF attributes with WM/Picture in WMA, MP4 items with
// "covr" in M4A, Vorbis comments with picture blocks in FLAC, Ogg Vorbis and Opus. The format is told by the
// file's extension.
#pragma once

#include <string>

namespace tags {

struct TagSet {
  std::string title{};
  std::string artist{};
  std::string album{};
  std::string albumArtist{};
  std::string comment{};  // the page address; may hold line breaks
  int track = 0;          // 0: none
  int trackCount = 0;     // 0: none
  int year = 0;           // 0: none
};

// `tags` with every text made safe (cleanTagText: the comment keeps its line breaks) and numbers out of range
// dropped.
TagSet cleaned(const TagSet& tags);

// Writes `tags` (cleaned first) into the audio file `path`, and `jpeg` (the bytes of a JPEG picture; empty
// for none) as its front cover, replacing the tags and pictures it had. Empty when done, else what failed.
std::string writeTags(const std::string& path, const TagSet& tags, const std::string& jpeg);

// What an audio file's tags say, as read back through the same library.
struct ReadTags {
  bool readable = false;  // the file was read as its extension says
  TagSet tags;
  int pictureCount = 0;
  int pictureType = -1;       // of the first picture: 3 is the front cover; -1 for none
  std::string pictureMime{};  // of the first picture
  std::string pictureData{};  // of the first picture
  bool hasInfoList = false;   // WAV: the RIFF INFO list holds a title
  bool hasId3 = false;        // MP3 and WAV: an ID3v2 tag is there
  int id3Version = 0;         // its minor version (3 for ID3v2.3)
};

ReadTags readTags(const std::string& path);

}  // namespace tags
