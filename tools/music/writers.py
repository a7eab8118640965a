"""File writers for a Song: Standard MIDI file, Live set (.als), music description XML and the
LFO template.

Only what the player's note readers accept is written. MIDI: track names, text, copyright,
tempo, time and key signature meta events, note on/off and controller changes (never program
changes, sysex or other meta events; controllers 7 and 10 are not used). Live set: the tempo,
and per MIDI track its name and arrangement clips with key tracks of note events.
"""

import gzip
import io
import struct
import xml.etree.ElementTree as ET

from .song import Arp, Envelope, Lfo

PPQ = 480


def _vlq(value):
    out = [value & 0x7F]
    value >>= 7
    while value:
        out.append(0x80 | (value & 0x7F))
        value >>= 7
    return bytes(reversed(out))


def _meta(kind, payload):
    if len(payload) >= 128:
        raise ValueError("meta text too long for a one-byte length")
    return bytes([0xFF, kind, len(payload)]) + payload


def _text(kind, text):
    data = text.encode("ascii")
    if not data:
        raise ValueError("empty meta text")
    return _meta(kind, data)


def _chunk(events):
    """events: (tick, order, bytes); written sorted, with delta times."""
    body = bytearray()
    now = 0
    for tick, _order, data in sorted(events, key=lambda e: (e[0], e[1])):
        body += _vlq(tick - now) + data
        now = tick
    body += _vlq(0) + bytes([0xFF, 0x2F, 0x00])
    return b"MTrk" + struct.pack(">I", len(body)) + bytes(body)


def _ticks(beats):
    ticks = round(beats * PPQ)
    if abs(ticks - beats * PPQ) > 1e-6:
        raise ValueError(f"beat {beats} is not on the tick grid")
    return ticks


def midi_bytes(song, key_signature=(0, 1)):
    """Format 1: a conductor chunk (no notes) followed by one chunk per note track."""
    tempo = round(60_000_000 / song.bpm)
    sharps, minor = key_signature
    conductor = [
        (0, 0, _text(0x03, song.name)),
        (0, 1, _text(0x02, "Generated for this demo, free to use")),
        (0, 2, _text(0x01, f"{song.name} at {song.bpm:g} BPM")),
        (0, 3, _meta(0x58, bytes([4, 2, 24, 8]))),
        (0, 4, _meta(0x59, struct.pack("bB", sharps, minor))),
        (0, 5, _meta(0x51, tempo.to_bytes(3, "big"))),
    ]
    chunks = [_chunk(conductor)]
    for track in song.tracks:
        chunks.append(_chunk(_track_events(track)))
    header = b"MThd" + struct.pack(">IHHH", 6, 1, len(chunks), PPQ)
    return header + b"".join(chunks)


def _track_events(track):
    ch = track.channel & 0x0F
    events = [(0, 0, _text(0x03, track.name))]
    for beat, number, value in track.cc:
        if number in (7, 10) or not 0 <= number < 128 or not 0 <= value < 128:
            raise ValueError(f"controller {number}={value} cannot be written")
        events.append((_ticks(beat), 1, bytes([0xB0 | ch, number, value])))
    for note in track.notes:
        if not 0 <= note.key < 128 or not 1 <= note.vel < 128:
            raise ValueError(f"note {note} cannot be written")
        # Ends sort before starts on the same tick so a repeated key starts again.
        events.append((_ticks(note.start + note.dur), 2, bytes([0x80 | ch, note.key, 64])))
        events.append((_ticks(note.start), 3 + note.key / 1000, bytes([0x90 | ch, note.key, note.vel])))
    return events


def _num(value):
    text = f"{value:.6f}".rstrip("0").rstrip(".")
    return text if text not in ("", "-0") else "0"


def _value(parent, tag, value):
    return ET.SubElement(parent, tag, Value=str(value))


def als_bytes(song):
    """A gzip-compressed Live set; the gzip header carries no time or name, so it is reproducible."""
    root = ET.Element("Ableton", MajorVersion="5", MinorVersion="10.0_377",
                      SchemaChangeCount="3", Creator="Ableton Live 10.1.9")
    live = ET.SubElement(root, "LiveSet")
    tracks = ET.SubElement(live, "Tracks")
    for index, track in enumerate(song.tracks):
        _als_track(tracks, index, track)
    master = ET.SubElement(live, "MasterTrack")
    tempo = ET.SubElement(ET.SubElement(ET.SubElement(master, "DeviceChain"), "Mixer"), "Tempo")
    _value(tempo, "LomId", 0)
    _value(tempo, "Manual", _num(song.bpm))
    ET.indent(root)
    xml = b'<?xml version="1.0" encoding="UTF-8"?>\n' + ET.tostring(root, encoding="utf-8")
    buf = io.BytesIO()
    with gzip.GzipFile(filename="", mode="wb", fileobj=buf, mtime=0, compresslevel=9) as gz:
        gz.write(xml)
    return buf.getvalue()


def _als_track(parent, index, track):
    if not track.clips:
        raise ValueError(f"track {track.name} has no clips for the Live set")
    elem = ET.SubElement(parent, "MidiTrack", Id=str(index))
    name = ET.SubElement(elem, "Name")
    _value(name, "EffectiveName", track.name)
    _value(name, "UserName", track.name)
    chain = ET.SubElement(elem, "DeviceChain")
    events = chain
    for tag in ("MainSequencer", "ClipTimeable", "ArrangerAutomation", "Events"):
        events = ET.SubElement(events, tag)
    for clip_id, clip in enumerate(track.clips):
        _als_clip(events, clip_id, clip)


def _als_clip(parent, clip_id, clip):
    elem = ET.SubElement(parent, "MidiClip", Id=str(clip_id), Time=_num(clip.start))
    _value(elem, "CurrentStart", _num(clip.start))
    _value(elem, "CurrentEnd", _num(clip.end))
    loop = ET.SubElement(elem, "Loop")
    _value(loop, "LoopStart", _num(clip.loop_start))
    _value(loop, "LoopEnd", _num(clip.loop_end if clip.looped else clip.end - clip.start))
    # Both the attribute and the text say whether the clip loops.
    _value(loop, "LoopOn", "true" if clip.looped else "false").text = (
        "true" if clip.looped else "false")
    key_tracks = ET.SubElement(ET.SubElement(elem, "Notes"), "KeyTracks")
    keys = []
    for note in sorted(clip.notes, key=lambda n: (n.start, n.key)):
        if note.key not in keys:
            keys.append(note.key)
    for key_id, key in enumerate(keys):
        key_track = ET.SubElement(key_tracks, "KeyTrack", Id=str(key_id))
        notes = ET.SubElement(key_track, "Notes")
        for note in sorted((n for n in clip.notes if n.key == key), key=lambda n: n.start):
            ET.SubElement(notes, "MidiNoteEvent", Time=_num(note.start), Duration=_num(note.dur),
                          Velocity=str(note.vel), OffVelocity="64", IsEnabled="true")
        _value(key_track, "MidiKey", key)


def description_xml(song, stream_file, note_file):
    """The music description: audio and note files, then one element per modulator."""
    lines = ['<?xml version="1.0" encoding="UTF-8"?>',
             f'<modulators stream_filename="{stream_file}" notedata_filename="{note_file}">']
    for track in song.tracks:
        for mod in track.modulators:
            lines += _modulator_lines(track, mod)
    lines.append("</modulators>")
    return "\n".join(lines) + "\n"


def _modulator_lines(track, mod):
    out = [f'  <modulator name="{mod.name}" association="{track.name}">']
    kind = mod.kind
    if isinstance(kind, Envelope):
        out += ["    <envelope>",
                f'      <attack unit="s" slope="{kind.attack_slope}">{_num(kind.attack)}</attack>',
                f'      <decay unit="s" slope="{kind.decay_slope}">{_num(kind.decay)}</decay>',
                f'      <sustain unit="percent">{_num(kind.sustain * 100)}</sustain>',
                f'      <release unit="s" slope="{kind.release_slope}">{_num(kind.release)}</release>',
                "    </envelope>"]
    elif isinstance(kind, Lfo):
        out += ["    <lfo>",
                f"      <wave>{kind.wave}</wave>",
                "      <tempo>",
                *_note_length(8, kind.numerator, kind.denominator),
                "        <controller>",
                f"          <cc>{kind.cc}</cc>",
                f'          <template file="{kind.template}"/>',
                "        </controller>",
                "      </tempo>",
                "    </lfo>"]
    elif isinstance(kind, Arp):
        out += ["    <arp>",
                f"      <pattern>{kind.pattern}</pattern>",
                f"      <octaves>{kind.octaves}</octaves>",
                *_note_length(6, kind.numerator, kind.denominator),
                "    </arp>"]
    else:
        raise TypeError(kind)
    if mod.intensity is not None:
        out.append(f'    <intensity unit="float">{_num(mod.intensity)}</intensity>')
    out.append("  </modulator>")
    return out


def _note_length(indent, numerator, denominator):
    """A period as a note length: numerator/denominator of a whole note."""
    pad = " " * indent
    return [f"{pad}<numerator>{numerator}</numerator>",
            f"{pad}<denominator>{denominator}</denominator>"]


def template_xml(lfo):
    """The LFO's range table: controller value ranges and the period each one selects."""
    lines = ['<?xml version="1.0" encoding="UTF-8"?>', "<unit>", "  <template>"]
    for rng in lfo.ranges:
        lines += ["    <range>",
                  f"      <min>{rng.low}</min>",
                  f"      <max>{rng.high}</max>",
                  "      <value>",
                  *_note_length(8, rng.numerator, rng.denominator),
                  "      </value>",
                  "    </range>"]
    lines += ["  </template>", "</unit>"]
    return "\n".join(lines) + "\n"
