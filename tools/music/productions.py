"""The songs of the productions: arrangement, instruments, track names and modulators.

wendmoor2020 (production 6): MIDI notes, 16 named note tracks, the keyboard track 14 within keys
48..108, envelopes, an arpeggiator and an LFO whose period follows controller 1 by section.
glimf2019 (production 5): Live set notes; note track 1 ("Drums") has kick and snare lanes.
The three others are audio only.
"""

from .compose import Composer, Section, tidy
from .song import Arp, Clip, Envelope, Lfo, LfoRange, Modulator, Note, Song, Track
from .synth import Drum, Riser, Synth, Voice


def instruments():
    return {
        "kick": Drum(Envelope(0.001, 0.4, 0.0, 0.05, "linear", "exp", "exp"),
                     Voice(gain=0.95, reverb=0.02, sidechain=True), body_hz=(170, 47), body_sweep=0.03,
                     noise=0.25, noise_band="white", noise_decay=0.004),
        "snare": Drum(Envelope(0.001, 0.3, 0.0, 0.05), Voice(gain=0.5, pan=0.05, reverb=0.25),
                      body_hz=(240, 180), body=0.5, noise=0.9, noise_band="snare",
                      noise_decay=0.11),
        "clap": Drum(Envelope(0.001, 0.35, 0.0, 0.05), Voice(gain=0.45, pan=-0.05, reverb=0.3),
                     noise=1.0, noise_band="mid", noise_decay=0.09, bursts=3),
        "hat": Drum(Envelope(0.001, 0.07, 0.0, 0.02), Voice(gain=0.34, pan=0.25, reverb=0.06),
                    noise=1.0, noise_band="hat", noise_decay=0.03),
        "openhat": Drum(Envelope(0.001, 0.4, 0.0, 0.05), Voice(gain=0.26, pan=-0.25, reverb=0.1),
                        noise=1.0, noise_band="hat", noise_decay=0.17),
        "crash": Drum(Envelope(0.001, 2.5, 0.0, 0.2), Voice(gain=0.25, pan=-0.1, reverb=0.3),
                      noise=1.0, noise_band="high", noise_decay=0.9),
        "toms": Drum(Envelope(0.001, 0.45, 0.0, 0.05), Voice(gain=0.5, pan=0.15, reverb=0.25),
                     body_hz=(190, 120), body_sweep=0.08, tune_by_key=True, noise=0.15,
                     noise_band="low", noise_decay=0.05),
        "perc": Drum(Envelope(0.001, 0.06, 0.0, 0.02), Voice(gain=0.18, pan=0.45, reverb=0.1),
                     noise=1.0, noise_band="snare", noise_decay=0.02),
        "bass": Synth("saw", Envelope(0.003, 0.25, 0.6, 0.06, "linear", "exp", "exp"),
                      Voice(gain=0.36, reverb=0.02, ducked=True), voices=2, detune=10, bright=16,
                      dark=4, sweep=0.12, sub=0.8),
        "pad": Synth("saw", Envelope(0.5, 1.0, 0.75, 1.0, "exp_inv", "linear", "exp"),
                     Voice(gain=0.2, reverb=0.45, ducked=True), voices=4, detune=18, spread=0.8,
                     bright=12, dark=6, sweep=1.5, sustain_bright=0.5),
        "strings": Synth("saw", Envelope(0.4, 0.5, 0.9, 0.8, "exp_inv", "linear", "exp"),
                         Voice(gain=0.12, reverb=0.5, ducked=True), voices=3, detune=12, spread=0.6,
                         bright=8, dark=5, vibrato=(5.0, 8.0, 0.3)),
        "lead": Synth("square", Envelope(0.01, 0.3, 0.7, 0.25, "linear", "exp", "exp"),
                      Voice(gain=0.2, pan=0.05, reverb=0.25, delay=0.25), voices=2, detune=10,
                      bright=16, dark=6, sweep=0.2, sustain_bright=0.3, vibrato=(5.5, 15.0, 0.25)),
        "pluck": Synth("saw", Envelope(0.002, 0.25, 0.0, 0.1), Voice(gain=0.14, pan=-0.3,
                       reverb=0.2, delay=0.3, ducked=True), bright=20, dark=2, sweep=0.08),
        "bell": Synth("tri", Envelope(0.002, 1.2, 0.0, 0.4), Voice(gain=0.22, pan=0.2, reverb=0.5,
                      delay=0.3), bright=9, dark=1, sweep=0.3),
        "keys": Synth("square", Envelope(0.002, 0.18, 0.25, 0.08), Voice(gain=0.17, pan=0.2,
                      reverb=0.3, delay=0.2, ducked=True), bright=12, dark=3, sweep=0.06),
        "fx": Riser(Voice(gain=0.3, reverb=0.4)),
    }


WENDMOOR_TRACKS = [("Kick", "kick"), ("Snare", "snare"), ("Clap", "clap"), ("HiHat", "hat"),
                   ("OpenHat", "openhat"), ("Crash", "crash"), ("Toms", "toms"), ("Perc", "perc"),
                   ("Bass", "bass"), ("Pad", "pad"), ("Strings", "strings"), ("Lead", "lead"),
                   ("Pluck", "pluck"), ("Bell", "bell"), ("Keys", "keys"), ("FX", "fx")]

LFO_RANGES = [LfoRange(0, 31, 1, 1), LfoRange(31, 63, 1, 2), LfoRange(63, 95, 1, 4),
              LfoRange(95, 127, 1, 8)]
# Controller values sit strictly inside their range, never on a boundary.
LFO_SLOW, LFO_MEDIUM, LFO_FAST, LFO_FASTEST = 16, 48, 80, 112

KEYS_ARP = Arp("updown", 1, 1, 16)
KEYS_CONTOUR = Envelope(0.005, 1.0, 0.55, 0.2, "linear", "exp", "exp")


def _song_from_parts(name, bpm, composer, parts, names, lead_beats=0.0):
    inst = instruments()
    tracks = []
    for channel, (track_name, part) in enumerate(names):
        if part not in parts:
            continue
        drum = isinstance(inst[part], Drum)
        tracks.append(Track(track_name, inst[part], 9 if drum else channel % 9, parts[part]))
    sections = composer.section_starts
    return Song(name, bpm, composer.total_beats, tracks, lead_beats=lead_beats, sections=sections)


def _add_common_modulators(song, template):
    """Modulators that shape sound as well as picture: the keys arpeggio and the pad's LFO."""
    for track in song.tracks:
        if track.name == "Keys":
            track.modulators += [Modulator("KeysContour", KEYS_CONTOUR),
                                 Modulator("KeysArp", KEYS_ARP)]
        if track.name == "Pad":
            track.modulators += [Modulator("PadSwell", track.instrument.env),
                                 Modulator("PadLfo", Lfo("sine", 1, 2, 1, template, LFO_RANGES),
                                           0.8)]


def wendmoor2020():
    main, brk = [0, 5, 2, 6], [3, 0, 5, 4]
    full = {"kick", "snare", "clap", "hat", "openhat", "perc", "bass", "pad", "lead", "pluck",
            "keys", "crash", "toms"}
    plan = [
        ("intro", Section("intro", 8, {"pad", "bell"}, main), LFO_SLOW),
        ("intro", Section("intro2", 8, {"pad", "bell", "keys", "hat"}, main, riser=True), LFO_SLOW),
        ("build", Section("build", 16, {"kick", "hat", "openhat", "bass", "pad", "keys", "roll",
                                        "toms", "crash"}, main, riser=True, fill=True,
                          bass="offbeat"), LFO_MEDIUM),
        ("main", Section("main", 32, full, main, fill=True, impact=True, bass="rolling"),
         LFO_FAST),
        ("break", Section("break", 16, {"pad", "strings", "bell", "keys"}, brk, riser=True),
         LFO_SLOW),
        ("finale", Section("finale", 22, full | {"strings"}, main, impact=True, bass="rolling",
                           lead_up=True, keys_low=69), LFO_FASTEST),
        ("end", Section("end", 2, {"pad", "strings", "keys", "crash"}, [0], impact=True),
         LFO_SLOW),
    ]
    composer = Composer(45, [s for _, s, _ in plan], "four", "offbeat", seed=2020)
    parts = composer.compose()
    # The keyboard opens with a white-key run over its whole range, C4 up to C9; it also makes
    # the keyboard track's lanes run from low to high, so the arpeggio climbs and falls in pitch.
    white = [k for k in range(48, 109) if k % 12 in (0, 2, 4, 5, 7, 9, 11)]
    parts["keys"] = tidy([Note(i * 0.125, 0.125, k, 70 + i) for i, k in enumerate(white)]
                         + parts["keys"])
    song = _song_from_parts("wendmoor2020", 140.0, composer, parts, WENDMOOR_TRACKS,
                            lead_beats=0.04)
    # The closing chord's echo is cut after a second: the show's picture fades out with it, and
    # a longer tail would only hold the ended show on a silent screen.
    song.tail_seconds = 1.0
    song.sections = _merge_sections(plan, composer)
    pad = song.track("Pad")
    pad.cc = [(beat, 1, value) for (_, beat), (_, _, value) in zip(composer.section_starts, plan)]
    _add_common_modulators(song, "wendmoor2020_lfo.xml")
    for name, mod in (("Kick", "KickPulse"), ("Snare", "SnareHit"), ("Clap", "ClapHit"),
                      ("Bass", "BassEnv"), ("Lead", "LeadEnv"), ("Bell", "BellEnv"),
                      ("Crash", "CrashFade")):
        track = song.track(name)
        track.modulators.insert(0, Modulator(mod, track.instrument.env, 1.0))
    return song


def _merge_sections(plan, composer):
    out = []
    for (name, _, _), (_, beat) in zip(plan, composer.section_starts):
        if not out or out[-1][0] != name:
            out.append((name, beat))
    return out


GLIMF_TRACKS = [("Pad", ("pad",)), ("Drums", ("kick", "snare")), ("Hats", ("hat", "openhat")),
                ("Bass", ("bass",)), ("Keys", ("keys",)), ("Lead", ("lead",)),
                ("Bell", ("bell",)), ("Perc", ("perc", "clap"))]


class DrumKit:
    """Several drums on one track, picked by key."""

    def __init__(self, by_key, mix):
        self.by_key, self.mix = by_key, mix
        self.env = next(iter(by_key.values())).env

    def render(self, key, vel, held, ctx, colour=None):
        drum = self.by_key[key]
        return drum.render(key, vel, held, ctx) * (drum.mix.gain / self.mix.gain)


def glimf2019():
    prog = [0, 3, 6, 2]
    plan = [
        Section("intro", 4, {"pad", "hat", "bell"}, prog),
        Section("main", 8, {"kick", "snare", "hat", "openhat", "bass", "pad", "keys", "perc"},
                prog),
        Section("break", 4, {"pad", "bell", "keys", "kick"}, prog, keys_low=60),
        Section("main2", 8, {"kick", "snare", "clap", "hat", "openhat", "bass", "pad", "lead",
                             "keys", "perc"}, prog, fill=True),
        Section("outro", 4, {"pad", "bell", "hat"}, prog),
    ]
    composer = Composer(41, plan, "lazy", "lazy", seed=2019, melody_low=65, melody_high=84)
    parts = composer.compose()
    inst = instruments()
    tracks = []
    for name, keys in GLIMF_TRACKS:
        if len(keys) == 1:
            instrument = inst[keys[0]]
        else:
            by_key = {}
            for part in keys:
                for note in parts[part]:
                    by_key[note.key] = inst[part]
            instrument = DrumKit(by_key, Voice(gain=1.0, reverb=0.12, sidechain=True))
        track = Track(name, instrument)
        notes = tidy([n for part in keys for n in parts.get(part, [])])
        _clip_track(track, notes, composer.section_starts, composer.total_beats)
        tracks.append(track)
    song = Song("glimf2019", 75.0, composer.total_beats, tracks, sections=composer.section_starts)
    drums = song.track("Drums")
    drums.modulators.append(Modulator("DrumPulse", Envelope(0.002, 0.35, 0.0, 0.05, "linear",
                                                            "exp", "exp"), 1.0))
    song.track("Bass").modulators.append(Modulator("BassEnv", inst["bass"].env))
    _add_common_modulators(song, "glimf2019_lfo.xml")
    return song


def _clip_track(track, notes, section_starts, total):
    """One arrangement clip per section; a section whose bars all repeat its first bar becomes
    a looped one-bar clip. The clips expand to exactly the composed notes."""
    bounds = [beat for _, beat in section_starts] + [total]
    for start, end in zip(bounds, bounds[1:]):
        inside = [n for n in notes if start <= n.start < end]
        if not inside:
            continue
        rel = [Note(n.start - start, n.dur, n.key, n.vel) for n in inside]
        first_bar = [n for n in rel if n.start < 4]
        repeats = all(n.start + n.dur <= 4 for n in first_bar) and _signature(rel) == _signature(
            [Note(n.start + 4 * bar, n.dur, n.key, n.vel) for bar in range(int((end - start) // 4))
             for n in first_bar])
        if repeats:
            track.add_clip(Clip(start, end, first_bar, 0.0, 4.0, True))
        else:
            track.add_clip(Clip(start, end, rel))
    if _signature(track.notes) != _signature(notes):
        raise AssertionError(f"clips of {track.name} do not replay its notes")


def _signature(notes):
    return sorted((round(n.start, 6), round(n.dur, 6), n.key, n.vel) for n in notes)


def _audio_only(name, bpm, tonic, drums, bass, prog, plan, seed):
    composer = Composer(tonic, [Section(n, bars, parts, prog, **kw) for n, bars, parts, kw in plan],
                        drums, bass, seed)
    parts = composer.compose()
    song = _song_from_parts(name, bpm, composer, parts, WENDMOOR_TRACKS)
    _add_common_modulators(song, "unused.xml")
    return song


def teodan():
    full = {"kick", "snare", "hat", "perc", "bass", "pad", "lead", "crash", "openhat"}
    return _audio_only("teodan-07-instrumental", 174.0, 38, "break", "long", [0, 5, 6, 4], [
        ("intro", 8, {"pad", "hat", "bell"}, {"riser": True}),
        ("main", 16, full, {"impact": True}),
        ("break", 8, {"pad", "strings", "bell", "keys"}, {"riser": True}),
        ("main2", 12, full | {"pluck", "strings"}, {"impact": True, "lead_up": True}),
    ], seed=174)


def tidewheel():
    return _audio_only("Quenbry_-_Tidewheel", 128.0, 38, "four", "house", [0, 6, 5, 6], [
        ("intro", 8, {"kick", "hat", "pad", "perc"}, {"riser": True}),
        ("main", 16, {"kick", "clap", "hat", "openhat", "bass", "pad", "pluck", "keys", "crash",
                      "perc"}, {"impact": True}),
        ("outro", 8, {"kick", "hat", "pad", "bell"}, {}),
    ], seed=128)


def saltglass():
    return _audio_only("Quenbry-Saltglass", 128.0, 40, "four", "offbeat", [0, 2, 6, 5], [
        ("intro", 4, {"pad", "bell", "hat"}, {}),
        ("main", 12, {"kick", "clap", "hat", "openhat", "bass", "pad", "lead", "crash"}, {}),
        ("break", 4, {"pad", "strings", "keys"}, {"riser": True}),
        ("main2", 8, {"kick", "clap", "snare", "hat", "openhat", "bass", "pad", "lead", "pluck",
                      "crash"}, {"impact": True}),
        ("outro", 4, {"pad", "bell", "kick"}, {}),
    ], seed=1280)
