#include "tags/AudioTags.h"

#include "common/Text.h"
#include "resources/Translations.h"
#include "tags/TagText.h"

#include <taglib/asffile.h>
#include <taglib/asfpicture.h>
#include <taglib/asftag.h>
#include <taglib/attachedpictureframe.h>
#include <taglib/flacfile.h>
#include <taglib/flacpicture.h>
#include <taglib/id3v2tag.h>
#include <taglib/infotag.h>
#include <taglib/mp4coverart.h>
#include <taglib/mp4file.h>
#include <taglib/mp4tag.h>
#include <taglib/mpegfile.h>
#include <taglib/opusfile.h>
#include <taglib/textidentificationframe.h>
#include <taglib/vorbisfile.h>
#include <taglib/wavfile.h>
#include <taglib/xiphcomment.h>

#include <algorithm>
#include <cctype>
#include <filesystem>
#include <memory>

namespace tags {
namespace {

constexpr const char* kJpegMime = "image/jpeg";

TagLib::String utf8(const std::string& text) {
  return TagLib::String(text, TagLib::String::UTF8);
}

std::string utf8(const TagLib::String& text) {
  return text.to8Bit(true);
}

TagLib::ByteVector bytes(const std::string& data) {
  return TagLib::ByteVector(data.data(), static_cast<unsigned int>(data.size()));
}

std::string extensionOf(const std::string& path) {
  std::string ext = std::filesystem::path(path).extension().string();
  std::transform(ext.begin(), ext.end(), ext.begin(),
                 [](unsigned char c) { return static_cast<char>(std::tolower(c)); });
  return ext;
}

// "3/12", "3" or empty.
std::string trackText(const TagSet& tags) {
  if (tags.track <= 0) return {};
  return std::to_string(tags.track) + (tags.trackCount > 0 ? "/" + std::to_string(tags.trackCount) : "");
}

// The fields every format has, through the library's common tag.
void setCommon(TagLib::Tag& tag, const TagSet& tags) {
  tag.setTitle(utf8(tags.title));
  tag.setArtist(utf8(tags.artist));
  tag.setAlbum(utf8(tags.album));
  tag.setComment(utf8(tags.comment));
  tag.setGenre(TagLib::String());
  tag.setYear(static_cast<unsigned int>(std::max(tags.year, 0)));
  tag.setTrack(static_cast<unsigned int>(std::max(tags.track, 0)));
}

void setId3(TagLib::ID3v2::Tag& tag, const TagSet& tags, const std::string& jpeg) {
  setCommon(tag, tags);
  for (const char* id : {"TPE2", "TRCK", "APIC"}) tag.removeFrames(id);
  if (!tags.albumArtist.empty()) {
    auto* frame = new TagLib::ID3v2::TextIdentificationFrame("TPE2", TagLib::String::UTF16);
    frame->setText(utf8(tags.albumArtist));
    tag.addFrame(frame);
  }
  if (const std::string track = trackText(tags); !track.empty()) {
    auto* frame = new TagLib::ID3v2::TextIdentificationFrame("TRCK", TagLib::String::Latin1);
    frame->setText(utf8(track));
    tag.addFrame(frame);
  }
  if (!jpeg.empty()) {
    auto* picture = new TagLib::ID3v2::AttachedPictureFrame;
    picture->setMimeType(kJpegMime);
    picture->setType(TagLib::ID3v2::AttachedPictureFrame::FrontCover);
    picture->setDescription(TagLib::String());
    picture->setPicture(bytes(jpeg));
    tag.addFrame(picture);
  }
}

void setXiph(TagLib::Ogg::XiphComment& tag, const TagSet& tags, const std::string& jpeg,
             TagLib::FLAC::File* flac) {
  setCommon(tag, tags);
  tag.removeFields("ALBUMARTIST");
  tag.removeFields("TRACKTOTAL");
  if (!tags.albumArtist.empty()) tag.addField("ALBUMARTIST", utf8(tags.albumArtist));
  if (tags.trackCount > 0 && tags.track > 0)
    tag.addField("TRACKTOTAL", utf8(std::to_string(tags.trackCount)));
  // FLAC keeps its pictures in metadata blocks of their own; Ogg files in the comment.
  if (flac != nullptr) {
    flac->removePictures();
  } else {
    tag.removeAllPictures();
  }
  if (jpeg.empty()) return;
  auto* picture = new TagLib::FLAC::Picture;
  picture->setType(TagLib::FLAC::Picture::FrontCover);
  picture->setMimeType(kJpegMime);
  picture->setData(bytes(jpeg));
  if (flac != nullptr) {
    flac->addPicture(picture);
  } else {
    tag.addPicture(picture);
  }
}

void setMp4(TagLib::MP4::Tag& tag, const TagSet& tags, const std::string& jpeg) {
  setCommon(tag, tags);
  tag.removeItem("aART");
  tag.removeItem("trkn");
  tag.removeItem("covr");
  if (!tags.albumArtist.empty()) tag.setItem("aART", TagLib::StringList(utf8(tags.albumArtist)));
  if (tags.track > 0) tag.setItem("trkn", TagLib::MP4::Item(tags.track, std::max(tags.trackCount, 0)));
  if (!jpeg.empty()) {
    TagLib::MP4::CoverArtList covers;
    covers.append(TagLib::MP4::CoverArt(TagLib::MP4::CoverArt::JPEG, bytes(jpeg)));
    tag.setItem("covr", covers);
  }
}

void setAsf(TagLib::ASF::Tag& tag, const TagSet& tags, const std::string& jpeg) {
  setCommon(tag, tags);
  for (const char* name : {"WM/AlbumArtist", "WM/TrackNumber", "WM/PartOfSet", "WM/Picture"})
    tag.removeItem(name);
  if (!tags.albumArtist.empty()) tag.setAttribute("WM/AlbumArtist", utf8(tags.albumArtist));
  if (tags.track > 0) tag.setAttribute("WM/TrackNumber", utf8(trackText(tags)));
  if (!jpeg.empty()) {
    TagLib::ASF::Picture picture;
    picture.setMimeType(kJpegMime);
    picture.setType(TagLib::ASF::Picture::FrontCover);
    picture.setPicture(bytes(jpeg));
    tag.setAttribute("WM/Picture", TagLib::ASF::Attribute(picture));
  }
}

void setInfo(TagLib::RIFF::Info::Tag& tag, const TagSet& tags) {
  setCommon(tag, tags);
  if (const std::string track = trackText(tags); !track.empty()) tag.setFieldText("IPRT", utf8(track));
}

std::string notReadable(const std::string& path) {
  return common::fillIn(resources::translate("AudioTags", "the audio file %1 could not be read for its tags"),
                        {path});
}

}  // namespace

TagSet cleaned(const TagSet& tags) {
  TagSet out;
  out.title = cleanTagText(tags.title);
  out.artist = cleanTagText(tags.artist);
  out.album = cleanTagText(tags.album);
  out.albumArtist = cleanTagText(tags.albumArtist);
  out.comment = cleanTagText(tags.comment, true);
  out.track = tags.track > 0 && tags.track <= 9999 ? tags.track : 0;
  out.trackCount =
      out.track > 0 && tags.trackCount >= out.track && tags.trackCount <= 9999 ? tags.trackCount : 0;
  out.year = tags.year >= 1000 && tags.year <= 9999 ? tags.year : 0;
  return out;
}

std::string writeTags(const std::string& path, const TagSet& given, const std::string& jpeg) {
  const TagSet tags = cleaned(given);
  const std::string ext = extensionOf(path);
  const char* name = path.c_str();
  bool saved = false;
  if (ext == ".mp3") {
    TagLib::MPEG::File file(name, false);
    if (!file.isValid()) return notReadable(path);
    setId3(*file.ID3v2Tag(true), tags, jpeg);
    // ID3v2.3, which every player reads; an ID3v1 or APE tag would only say less.
    saved = file.save(TagLib::MPEG::File::ID3v2, TagLib::File::StripOthers, TagLib::ID3v2::v3);
  } else if (ext == ".wav") {
    TagLib::RIFF::WAV::File file(name, false);
    if (!file.isValid()) return notReadable(path);
    setId3(*file.ID3v2Tag(), tags, jpeg);
    setInfo(*file.InfoTag(), tags);
    saved = file.save(TagLib::RIFF::WAV::File::AllTags, TagLib::File::StripOthers, TagLib::ID3v2::v3);
  } else if (ext == ".wma") {
    TagLib::ASF::File file(name, false);
    if (!file.isValid()) return notReadable(path);
    setAsf(*file.tag(), tags, jpeg);
    saved = file.save();
  } else if (ext == ".m4a") {
    TagLib::MP4::File file(name, false);
    if (!file.isValid()) return notReadable(path);
    setMp4(*file.tag(), tags, jpeg);
    saved = file.save();
  } else if (ext == ".flac") {
    TagLib::FLAC::File file(name, false);
    if (!file.isValid()) return notReadable(path);
    setXiph(*file.xiphComment(true), tags, jpeg, &file);
    saved = file.save();
  } else if (ext == ".ogg") {
    TagLib::Ogg::Vorbis::File file(name, false);
    if (!file.isValid()) return notReadable(path);
    setXiph(*file.tag(), tags, jpeg, nullptr);
    saved = file.save();
  } else if (ext == ".opus") {
    TagLib::Ogg::Opus::File file(name, false);
    if (!file.isValid()) return notReadable(path);
    setXiph(*file.tag(), tags, jpeg, nullptr);
    saved = file.save();
  } else {
    return common::fillIn(
        resources::translate("AudioTags", "the audio file %1 has no format that carries tags"), {path});
  }
  return saved
             ? std::string()
             : common::fillIn(resources::translate("AudioTags", "the tags of %1 could not be saved"), {path});
}

namespace {

void readCommon(const TagLib::Tag& tag, ReadTags& out) {
  out.tags.title = utf8(tag.title());
  out.tags.artist = utf8(tag.artist());
  out.tags.album = utf8(tag.album());
  out.tags.comment = utf8(tag.comment());
  out.tags.year = static_cast<int>(tag.year());
  out.tags.track = static_cast<int>(tag.track());
}

// "3/12" into the track and the count.
void readTrackText(const std::string& text, TagSet& tags) {
  const std::size_t slash = text.find('/');
  if (slash == std::string::npos) return;
  tags.trackCount = std::atoi(text.c_str() + slash + 1);
}

void readId3(TagLib::ID3v2::Tag& tag, ReadTags& out) {
  readCommon(tag, out);
  out.hasId3 = true;
  out.id3Version = static_cast<int>(tag.header()->majorVersion());
  const TagLib::ID3v2::FrameList& albumArtist = tag.frameList("TPE2");
  if (!albumArtist.isEmpty()) out.tags.albumArtist = utf8(albumArtist.front()->toString());
  const TagLib::ID3v2::FrameList& track = tag.frameList("TRCK");
  if (!track.isEmpty()) readTrackText(utf8(track.front()->toString()), out.tags);
  const TagLib::ID3v2::FrameList& pictures = tag.frameList("APIC");
  out.pictureCount = static_cast<int>(pictures.size());
  if (pictures.isEmpty()) return;
  const auto* picture = dynamic_cast<const TagLib::ID3v2::AttachedPictureFrame*>(pictures.front());
  if (picture == nullptr) return;
  out.pictureType = static_cast<int>(picture->type());
  out.pictureMime = utf8(picture->mimeType());
  out.pictureData = std::string(picture->picture().data(), picture->picture().size());
}

void readPictures(const TagLib::List<TagLib::FLAC::Picture*>& pictures, ReadTags& out) {
  out.pictureCount = static_cast<int>(pictures.size());
  if (pictures.isEmpty()) return;
  const TagLib::FLAC::Picture* picture = pictures.front();
  out.pictureType = static_cast<int>(picture->type());
  out.pictureMime = utf8(picture->mimeType());
  out.pictureData = std::string(picture->data().data(), picture->data().size());
}

void readXiph(TagLib::Ogg::XiphComment& tag, ReadTags& out) {
  readCommon(tag, out);
  const TagLib::Ogg::FieldListMap fields = tag.fieldListMap();
  if (fields.contains("ALBUMARTIST")) out.tags.albumArtist = utf8(fields["ALBUMARTIST"].front());
  if (fields.contains("TRACKTOTAL")) out.tags.trackCount = fields["TRACKTOTAL"].front().toInt();
}

}  // namespace

ReadTags readTags(const std::string& path) {
  ReadTags out;
  const std::string ext = extensionOf(path);
  const char* name = path.c_str();
  if (ext == ".mp3") {
    TagLib::MPEG::File file(name, false);
    if (!file.isValid()) return out;
    out.readable = true;
    if (file.hasID3v2Tag()) readId3(*file.ID3v2Tag(), out);
  } else if (ext == ".wav") {
    TagLib::RIFF::WAV::File file(name, false);
    if (!file.isValid()) return out;
    out.readable = true;
    if (file.hasID3v2Tag()) readId3(*file.ID3v2Tag(), out);
    out.hasInfoList = file.hasInfoTag() && !file.InfoTag()->title().isEmpty();
  } else if (ext == ".wma") {
    TagLib::ASF::File file(name, false);
    if (!file.isValid()) return out;
    out.readable = true;
    TagLib::ASF::Tag& tag = *file.tag();
    readCommon(tag, out);
    if (tag.contains("WM/AlbumArtist"))
      out.tags.albumArtist = utf8(tag.attribute("WM/AlbumArtist").front().toString());
    if (tag.contains("WM/TrackNumber"))
      readTrackText(utf8(tag.attribute("WM/TrackNumber").front().toString()), out.tags);
    if (tag.contains("WM/Picture")) {
      const TagLib::ASF::AttributeList& pictures = tag.attribute("WM/Picture");
      out.pictureCount = static_cast<int>(pictures.size());
      const TagLib::ASF::Picture picture = pictures.front().toPicture();
      out.pictureType = static_cast<int>(picture.type());
      out.pictureMime = utf8(picture.mimeType());
      out.pictureData = std::string(picture.picture().data(), picture.picture().size());
    }
  } else if (ext == ".m4a") {
    TagLib::MP4::File file(name, false);
    if (!file.isValid()) return out;
    out.readable = true;
    TagLib::MP4::Tag& tag = *file.tag();
    readCommon(tag, out);
    if (tag.contains("aART")) out.tags.albumArtist = utf8(tag.item("aART").toStringList().front());
    if (tag.contains("trkn")) out.tags.trackCount = tag.item("trkn").toIntPair().second;
    if (tag.contains("covr")) {
      const TagLib::MP4::CoverArtList covers = tag.item("covr").toCoverArtList();
      out.pictureCount = static_cast<int>(covers.size());
      if (!covers.isEmpty()) {
        out.pictureType = 3;  // MP4 has one kind of picture: the cover
        out.pictureMime = covers.front().format() == TagLib::MP4::CoverArt::JPEG ? kJpegMime : "image/other";
        out.pictureData = std::string(covers.front().data().data(), covers.front().data().size());
      }
    }
  } else if (ext == ".flac") {
    TagLib::FLAC::File file(name, false);
    if (!file.isValid()) return out;
    out.readable = true;
    if (file.hasXiphComment()) readXiph(*file.xiphComment(), out);
    readPictures(file.pictureList(), out);
  } else if (ext == ".ogg" || ext == ".opus") {
    std::unique_ptr<TagLib::File> file;
    TagLib::Ogg::XiphComment* tag = nullptr;
    if (ext == ".ogg") {
      auto vorbis = std::make_unique<TagLib::Ogg::Vorbis::File>(name, false);
      tag = vorbis->tag();
      file = std::move(vorbis);
    } else {
      auto opus = std::make_unique<TagLib::Ogg::Opus::File>(name, false);
      tag = opus->tag();
      file = std::move(opus);
    }
    if (!file->isValid() || tag == nullptr) return out;
    out.readable = true;
    readXiph(*tag, out);
    readPictures(tag->pictureList(), out);
  }
  return out;
}

}  // namespace tags
