"""The simulator's video files: real FLV and MP4 files made with ffmpeg from its lavfi test sources.

Files are kept in a folder of their own (by default one per user under the temporary folder) and
made again only when missing, so a second start costs nothing. Each file is written under a
temporary name and renamed into place, so a file that exists under its final name is always whole,
even when two simulators start at once.
"""
import hashlib
import os
import shutil
import subprocess
import tempfile

# The Last-Modified of every stream (the clips never change while the simulator runs).
LAST_MODIFIED = "Tue, 15 Jan 2008 10:00:00 GMT"


def etag(data):
    """A strong entity tag made from the clip's bytes."""
    return "\"%s\"" % hashlib.sha1(data).hexdigest()[:16]


# Bump when the encoding below changes, so that older cached files are not served.
_VERSION = 1


def default_media_dir():
    return os.path.join(tempfile.gettempdir(), "clipwave-site-simulator-%d" % os.getuid())


def _private_dir(path):
    """Creates `path` (mode 0700) or checks that an existing one belongs to this user alone."""
    os.makedirs(path, mode=0o700, exist_ok=True)
    info = os.stat(path, follow_symlinks=False)
    if info.st_uid != os.getuid() or (info.st_mode & 0o022):
        raise RuntimeError("media folder %s is not private to this user" % path)


def _encoders(ffmpeg):
    out = subprocess.run([ffmpeg, "-hide_banner", "-encoders"], capture_output=True, text=True, check=True)
    names = set()
    for line in out.stdout.splitlines():
        words = line.split()
        if len(words) >= 2 and len(words[0]) == 6:
            names.add(words[1])
    return names


def _first(available, choices, what):
    for name in choices:
        if name in available:
            return name
    raise RuntimeError("ffmpeg has no %s encoder (tried %s)" % (what, ", ".join(choices)))


def _codec_arguments(kind, available):
    if kind == "flv":
        # Sorenson H.263 video with MP3 sound, the usual content of a Flash video file.
        audio = _first(available, ["libmp3lame", "aac", "adpcm_swf"], "FLV audio")
        return ["-c:v", "flv", "-q:v", "6", "-c:a", audio, "-b:a", "64k", "-f", "flv"]
    video = _first(available, ["libx264", "mpeg4"], "MP4 video")
    extra = ["-preset", "ultrafast", "-pix_fmt", "yuv420p"] if video == "libx264" else ["-q:v", "6"]
    return ["-c:v", video] + extra + ["-c:a", "aac", "-b:a", "64k", "-movflags", "+faststart", "-f", "mp4"]


def make_videos(folder, duration, ffmpeg="ffmpeg"):
    """Returns {"flv": path, "mp4": path}, making the files that are not there yet."""
    ffmpeg_path = shutil.which(ffmpeg)
    if ffmpeg_path is None:
        raise RuntimeError("ffmpeg not found: %s" % ffmpeg)
    _private_dir(folder)
    available = None
    paths = {}
    for kind in ("flv", "mp4"):
        path = os.path.join(folder, "clip-v%d-%gs.%s" % (_VERSION, duration, kind))
        paths[kind] = path
        if os.path.isfile(path) and os.path.getsize(path) > 0:
            continue
        if available is None:
            available = _encoders(ffmpeg_path)
        handle, partial = tempfile.mkstemp(dir=folder, prefix=".making-", suffix="." + kind)
        os.close(handle)
        command = [
            ffmpeg_path, "-nostdin", "-hide_banner", "-loglevel", "error", "-y",
            "-f", "lavfi", "-i", "testsrc=duration=%g:size=320x240:rate=25" % duration,
            "-f", "lavfi", "-i", "sine=frequency=440:beep_factor=4:duration=%g:sample_rate=44100" % duration,
            "-shortest",
        ] + _codec_arguments(kind, available) + [partial]
        try:
            result = subprocess.run(command, capture_output=True, text=True)
            if result.returncode != 0 or os.path.getsize(partial) == 0:
                raise RuntimeError("ffmpeg could not make the %s clip: %s" % (kind, result.stderr.strip()))
            os.replace(partial, path)
        finally:
            if os.path.exists(partial):
                os.unlink(partial)
    return paths


def make_hls(folder, duration, ffmpeg="ffmpeg", segment_seconds=1):
    """Returns {"index.m3u8": bytes, "seg0.ts": bytes, ...}: an HLS playlist of the test clip (AAC sound,
    MPEG-TS segments of about `segment_seconds`), made once and kept in `folder`."""
    ffmpeg_path = shutil.which(ffmpeg)
    if ffmpeg_path is None:
        raise RuntimeError("ffmpeg not found: %s" % ffmpeg)
    _private_dir(folder)
    target = os.path.join(folder, "hls-v%d-%gs-%gs" % (_VERSION, duration, segment_seconds))
    if not os.path.isfile(os.path.join(target, "index.m3u8")):
        making = tempfile.mkdtemp(dir=folder, prefix=".making-hls-")
        try:
            command = [
                ffmpeg_path, "-nostdin", "-hide_banner", "-loglevel", "error", "-y",
                "-f", "lavfi", "-i", "sine=frequency=440:beep_factor=4:duration=%g:sample_rate=44100" % duration,
                "-c:a", "aac", "-b:a", "64k", "-f", "hls", "-hls_time", "%g" % segment_seconds,
                "-hls_list_size", "0", "-hls_playlist_type", "vod",
                "-hls_segment_filename", os.path.join(making, "seg%d.ts"), os.path.join(making, "index.m3u8"),
            ]
            result = subprocess.run(command, capture_output=True, text=True)
            if result.returncode != 0:
                raise RuntimeError("ffmpeg could not make the HLS clip: %s" % result.stderr.strip())
            try:
                os.rename(making, target)
            except OSError:
                if not os.path.isfile(os.path.join(target, "index.m3u8")):
                    raise
        finally:
            if os.path.isdir(making):
                shutil.rmtree(making)
    files = {}
    for name in os.listdir(target):
        with open(os.path.join(target, name), "rb") as part:
            files[name] = part.read()
    return files
