#!/usr/bin/env python3
"""Checks the generated music files with outside readers: mido for the MIDI notes, gzip and
ElementTree for the Live set and the descriptions, ffprobe/ffmpeg for the MP3s (length, no
clipping, stereo, no silent gap before the closing tail). Also checks that sound and notes agree (kick notes are heard where the MIDI puts them) and that generating
again gives identical files.

Run from the repository root after tools/generate-data.sh; exits non-zero on failure.
"""

import gzip
import hashlib
import json
import pathlib
import subprocess
import sys
import tempfile
import xml.etree.ElementTree as ET

from music_checks import check, report, use_system_packages

use_system_packages()
import mido  # noqa: E402

MUSIC = pathlib.Path("data/music")


def need(path):
    if not path.exists():
        sys.exit(f"missing {path}: run tools/generate-data.sh (or tools/gen_music.py) first")
    return path


# --- MIDI (production 6) ----------------------------------------------------------------------

ALLOWED_META = {"track_name", "text", "copyright", "set_tempo", "time_signature",
                "key_signature", "end_of_track"}
ALLOWED_CHANNEL = {"note_on", "note_off", "control_change", "polytouch", "aftertouch",
                   "pitchwheel"}


def note_tracks_of_midi(midi):
    """Chunks with note events, in file order: the tracks a note reader keeps."""
    return [t for t in midi.tracks if any(m.type in ("note_on", "note_off") for m in t)]


def midi_note_events(track):
    """(beat, key, is_start) in file order, ticks turned into beats."""
    now, out = 0, []
    for msg in track:
        now += msg.time
        if msg.type == "note_on" and msg.velocity > 0:
            out.append((now, msg.note, True))
        elif msg.type in ("note_on", "note_off"):
            out.append((now, msg.note, False))
    return out


def check_midi(path):
    midi = mido.MidiFile(str(path))
    tempos = [m.tempo for t in midi.tracks for m in t if m.type == "set_tempo"]
    check(len(tempos) == 1 and round(mido.tempo2bpm(tempos[0]), 2) == 140.0,
          f"{path}: tempo should be 140 BPM, got {tempos}")
    for index, track in enumerate(midi.tracks):
        for msg in track:
            if msg.is_meta:
                check(msg.type in ALLOWED_META, f"{path} chunk {index}: meta {msg.type}")
                if msg.type in ("track_name", "text", "copyright"):
                    check(0 < len(getattr(msg, "name", getattr(msg, "text", ""))) < 128,
                          f"{path} chunk {index}: meta text length")
            else:
                check(msg.type in ALLOWED_CHANNEL, f"{path} chunk {index}: event {msg.type}")
                if msg.type == "control_change":
                    check(msg.control not in (7, 10), f"{path}: controller {msg.control}")
    tracks = note_tracks_of_midi(midi)
    check(len(tracks) >= 15, f"{path}: {len(tracks)} note tracks, need at least 15")
    names = [t.name for t in tracks]
    check(all(names) and len(set(names)) == len(names), f"{path}: track names {names}")
    if len(tracks) > 14:
        keys = {key for _, key, start in midi_note_events(tracks[14]) if start}
        check(keys and min(keys) >= 48 and max(keys) <= 108,
              f"{path}: note track 14 keys {sorted(keys)} leave 48..108")
    for track in tracks:
        check_no_overlaps(path, track)
    return midi, {t.name: t for t in tracks}


def check_no_overlaps(path, track):
    """Each key starts again only after it ended, so no note is lost by the reader."""
    sounding = set()
    for _, key, start in midi_note_events(track):
        if start:
            check(key not in sounding, f"{path} {track.name}: key {key} restarted while held")
            sounding.add(key)
        else:
            sounding.discard(key)


def kick_beats(midi, tracks):
    ticks = midi.ticks_per_beat
    return [tick / ticks for tick, _, start in midi_note_events(tracks["Kick"]) if start]


# --- Live set (production 5) ------------------------------------------------------------------

def value(elem, path, default=0.0):
    found = elem.find(path)
    return float(found.get("Value")) if found is not None and found.get("Value") else default


def als_note_tracks(root):
    """{name: [(start, key)]} with looped clips expanded, in the order a note reader keeps them."""
    tracks = {}
    for midi_track in root.findall("LiveSet/Tracks/MidiTrack"):
        name = midi_track.find("Name/EffectiveName").get("Value")
        notes = []
        events = "DeviceChain/MainSequencer/ClipTimeable/ArrangerAutomation/Events/MidiClip"
        for clip in midi_track.findall(events):
            start, end = value(clip, "CurrentStart"), value(clip, "CurrentEnd")
            looped = clip.find("Loop/LoopOn").get("Value") == "true"
            length = value(clip, "Loop/LoopEnd") - value(clip, "Loop/LoopStart")
            for key_track in clip.findall("Notes/KeyTracks/KeyTrack"):
                key = int(key_track.find("MidiKey").get("Value"))
                offset = start
                while True:
                    for note in key_track.findall("Notes/MidiNoteEvent"):
                        t = offset + float(note.get("Time"))
                        if t >= end:
                            break
                        notes.append((t, key))
                    offset += length
                    if not looped or length <= 0 or offset > end:
                        break
        if notes:
            tracks[name] = notes
    return tracks


def check_als(path):
    root = ET.fromstring(gzip.decompress(path.read_bytes()))
    check(root.tag == "Ableton", f"{path}: root {root.tag}")
    bpm = value(root, "LiveSet/MasterTrack/DeviceChain/Mixer/Tempo/Manual")
    check(bpm == 75.0, f"{path}: tempo {bpm}")
    tracks = als_note_tracks(root)
    names = list(tracks)
    check(len(names) >= 2, f"{path}: {len(names)} note tracks")
    if len(names) >= 2:
        keys = [key for _, key in tracks[names[1]]]
        check(len(set(keys)) >= 2, f"{path}: note track 1 keys {sorted(set(keys))}")
    return tracks


# --- Descriptions and templates ---------------------------------------------------------------

def check_description(path, track_names, cc_values, kinds_needed):
    root = ET.parse(path).getroot()
    check(root.tag == "modulators", f"{path}: root {root.tag}")
    for attr in ("stream_filename", "notedata_filename"):
        check((path.parent / root.get(attr, "")).is_file(), f"{path}: {attr} names no file")
    kinds = set()
    for mod in root:
        check(mod.get("association") in track_names,
              f"{path}: modulator {mod.get('name')} names track {mod.get('association')}")
        kind = next((k for k in ("lfo", "envelope", "arp") if mod.find(k) is not None), None)
        check(kind is not None, f"{path}: modulator {mod.get('name')} of unknown kind")
        kinds.add(kind)
        if kind == "envelope":
            for part in ("attack", "decay", "release"):
                elem = mod.find(f"envelope/{part}")
                check(elem.get("unit") == "s" and elem.get("slope") in ("linear", "exp", "exp_inv"),
                      f"{path}: envelope {part}")
            check(mod.find("envelope/sustain").get("unit") == "percent", f"{path}: sustain unit")
        if kind == "lfo":
            cc = int(mod.find("lfo/tempo/controller/cc").text)
            template = path.parent / mod.find("lfo/tempo/controller/template").get("file")
            values = cc_values.get((mod.get("association"), cc), [])
            check_template(template, values)
    check(kinds_needed <= kinds, f"{path}: modulator kinds {kinds}, need {kinds_needed}")


def check_template(path, values):
    """Every controller value sent must fall strictly inside a range of the table."""
    if not check(path.is_file(), f"{path}: missing LFO template"):
        return
    root = ET.parse(path).getroot()
    ranges = [(int(r.find("min").text), int(r.find("max").text))
              for r in root.findall("template/range")]
    check(root.tag == "unit" and ranges, f"{path}: no ranges")
    for v in values:
        chosen = next(((lo, hi) for lo, hi in ranges if v <= hi), None)
        check(chosen is not None and chosen[0] < v, f"{path}: controller value {v} has no range")


def midi_cc_values(tracks):
    out = {}
    for name, track in tracks.items():
        for msg in track:
            if msg.type == "control_change":
                out.setdefault((name, msg.control), []).append(msg.value)
    return out


# --- Audio ------------------------------------------------------------------------------------

def check_mp3(path, seconds, tolerance):
    probe = subprocess.run(["ffprobe", "-v", "error", "-show_entries",
                            "stream=sample_rate,channels:format=duration", "-of", "json",
                            str(path)], capture_output=True, text=True, check=True)
    info = json.loads(probe.stdout)
    stream = info["streams"][0]
    duration = float(info["format"]["duration"])
    check(stream["sample_rate"] == "44100" and stream["channels"] == 2,
          f"{path}: {stream['sample_rate']} Hz, {stream['channels']} channels")
    check(abs(duration - seconds) <= tolerance, f"{path}: lasts {duration:.1f} s, not ~{seconds}")


def ffmpeg_filter_log(path, audio_filter):
    """ffmpeg's log of an audio filter run over the whole file."""
    return subprocess.run(["ffmpeg", "-hide_banner", "-nostats", "-i", str(path), "-af",
                           audio_filter, "-f", "null", "-"],
                          capture_output=True, text=True, check=True).stderr


def log_number(log, label):
    found = [line.rsplit(label, 1)[1].split()[0] for line in log.splitlines() if label in line]
    return float(found[-1]) if found else None


def check_sound(path, tail_seconds=2.5):
    """Clean levels, real stereo and no gap: the peak stays below full scale with no flat
    (clipped) runs, the channels differ, and nothing falls silent for half a second before the
    closing tail (the music sounds from its first beat to its last notes' release)."""
    log = ffmpeg_filter_log(path, "astats=measure_perchannel=none:measure_overall="
                                  "Peak_level+Flat_factor+RMS_level")
    peak, flat, rms = (log_number(log, f"{name}:") for name in
                       ("Peak level dB", "Flat factor", "RMS level dB"))
    check(peak is not None and peak < -0.1, f"{path}: peak {peak} dBFS reaches full scale")
    check(flat == 0.0, f"{path}: flat factor {flat}: clipped runs")
    check(rms is not None and -24 < rms < -8, f"{path}: RMS level {rms} dBFS")
    side = log_number(ffmpeg_filter_log(path, "pan=mono|c0=0.5*c0-0.5*c1,volumedetect"),
                      "mean_volume:")
    check(side is not None and side > -40, f"{path}: left and right alike (side {side} dB)")
    log = ffmpeg_filter_log(path, "silencedetect=noise=-50dB:duration=0.5")
    starts = [log_number(line, "silence_start:") for line in log.splitlines()
              if "silence_start:" in line]
    end = float(json.loads(subprocess.run(
        ["ffprobe", "-v", "error", "-show_entries", "format=duration", "-of", "json", str(path)],
        capture_output=True, text=True, check=True).stdout)["format"]["duration"])
    gaps = [s for s in starts if s < end - tail_seconds]
    check(not gaps, f"{path}: silent from {gaps} s, before the closing tail")


def onset_seconds(path, around, window=0.15):
    """The time of the sharpest rise in level within +-window seconds of a time."""
    raw = subprocess.run(["ffmpeg", "-v", "error", "-ss", f"{around - window:.4f}", "-t",
                          f"{2 * window:.4f}", "-i", str(path), "-ac", "1", "-f", "s16le", "-"],
                         capture_output=True, check=True).stdout
    samples = [abs(int.from_bytes(raw[i:i + 2], "little", signed=True))
               for i in range(0, len(raw) - 1, 2)]
    block = 64
    levels = [sum(samples[i:i + block]) for i in range(0, len(samples) - block, block)]
    rises = [levels[i + 1] - levels[i] for i in range(len(levels) - 1)]
    best = max(range(len(rises)), key=rises.__getitem__)
    return around - window + (best + 1) * block / 44100


def check_kicks_heard(path, beats, bpm, offset):
    """Kicks on the first beat of the build and of the main section sound when the notes say."""
    for beat in beats:
        expected = (beat - offset) * 60 / bpm
        heard = onset_seconds(path, expected)
        check(abs(heard - expected) < 0.012,
              f"{path}: kick of beat {beat} heard at {heard:.3f} s, expected {expected:.3f} s")


# --- Reproducibility --------------------------------------------------------------------------

def digest(path):
    return hashlib.sha256(path.read_bytes()).hexdigest()


def check_reproducible():
    with tempfile.TemporaryDirectory() as tmp:
        out = pathlib.Path(tmp)
        gen = [sys.executable, "tools/gen_music.py", "--out-dir", tmp, "--force"]
        subprocess.run(gen + ["--only", "glimf2019"], check=True, capture_output=True)
        subprocess.run(gen + ["--only", "wendmoor2020", "--notes-only"], check=True,
                       capture_output=True)
        for made in sorted(out.iterdir()):
            check(digest(made) == digest(MUSIC / made.name),
                  f"{made.name}: generating again gives a different file")


def main():
    midi_path = need(MUSIC / "wendmoor2020.mid")
    midi, tracks = check_midi(midi_path)
    check_description(need(MUSIC / "wendmoor2020.xml"), set(tracks), midi_cc_values(tracks),
                      {"envelope", "lfo", "arp"})
    als_tracks = check_als(need(MUSIC / "glimf2019.als"))
    check_description(need(MUSIC / "glimf2019.xml"), set(als_tracks), {}, {"envelope"})

    check_mp3(need(MUSIC / "wendmoor2020.mp3"), 180, 10)
    check_mp3(need(MUSIC / "glimf2019.mp3"), 28 * 4 * 60 / 75 + 3, 4)
    for name in ("teodan-07-instrumental.mp3", "Quenbry_-_Tidewheel.mp3",
                 "Quenbry-Saltglass.mp3"):
        check_mp3(need(MUSIC / name), 63, 8)

    for mp3 in sorted(MUSIC.glob("*.mp3")):
        check_sound(mp3)

    kicks = kick_beats(midi, tracks)
    chosen = [next(b for b in kicks if b >= 64), next(b for b in kicks if b >= 128)]
    check_kicks_heard(MUSIC / "wendmoor2020.mp3", chosen, 140.0, -0.04)
    check_reproducible()
    return report("music files")


if __name__ == "__main__":
    sys.exit(main())
