"""A small synthesiser: renders a Song's notes to 44,100 Hz stereo and encodes MP3 with lame.

Voices: band-limited wavetable oscillators (saw, square, triangle, sine) with detuned unison,
a brightness sweep and the same attack/decay/sustain/release envelopes the modulators use;
drums from pitch-swept sines and filtered noise. Tracks with an arpeggiator modulator sound
the steps the arpeggiator selects; tracks with an LFO modulator get its wave as tremolo and
brightness, at the period its controller selects. A kick-driven ducking bus, a convolution
reverb and a ping-pong delay finish the mix. Everything is seeded, so output is reproducible.
"""

import math
import pathlib
import shutil
import subprocess
import tempfile
import wave
from dataclasses import dataclass, field

import numpy as np

from .song import Arp, Envelope, Lfo, arp_steps

RATE = 44100
TABLE_SIZE = 2048
NYQUIST_GUARD = 18000.0
KICK_KEY = 36


def key_hz(key):
    return 440.0 * 2.0 ** ((key - 69) / 12.0)


_tables = {}


def wavetable(wave, harmonics):
    """One cycle of a wave with at most `harmonics` partials, plus a guard sample."""
    harmonics = max(1, int(harmonics))
    cache_key = (wave, harmonics)
    if cache_key not in _tables:
        x = np.arange(TABLE_SIZE) / TABLE_SIZE
        table = np.zeros(TABLE_SIZE)
        for k in range(1, harmonics + 1):
            if wave == "saw":
                table += np.sin(2 * np.pi * k * x) / k
            elif wave == "square" and k % 2:
                table += np.sin(2 * np.pi * k * x) / k
            elif wave == "tri" and k % 2:
                table += (-1) ** ((k - 1) // 2) * np.sin(2 * np.pi * k * x) / (k * k)
            elif wave == "sine" and k == 1:
                table += np.sin(2 * np.pi * x)
        table /= max(1e-9, np.abs(table).max())
        _tables[cache_key] = np.append(table, table[0])
    return _tables[cache_key]


def lookup_blend(hi, lo, phase, bright):
    """Interpolated reads of two tables at the same phase, blended by bright (0..1)."""
    pos = (phase % 1.0) * TABLE_SIZE
    index = pos.astype(np.int32)
    frac = pos - index
    nxt = index + 1
    a = hi[index] + (hi[nxt] - hi[index]) * frac
    if bright is None:
        return a
    b = lo[index] + (lo[nxt] - lo[index]) * frac
    return b + (a - b) * bright


def pan_gains(pan):
    """Constant-power gains for pan in -1 (left) .. 1 (right)."""
    angle = (pan + 1) * math.pi / 4
    return math.cos(angle), math.sin(angle)


@dataclass
class Voice:
    """Where a voice goes in the mix."""
    gain: float = 0.5
    pan: float = 0.0
    reverb: float = 0.2
    delay: float = 0.0
    ducked: bool = False    # pushed down by every kick (the pumping of pads and bass)
    sidechain: bool = False  # its kick notes (KICK_KEY) drive the ducking


@dataclass
class Synth:
    wave: str
    env: Envelope
    mix: Voice
    voices: int = 1
    detune: float = 0.0          # cents between the outer unison voices
    spread: float = 0.0          # stereo width of the unison voices
    bright: float = 12.0         # partials at full brightness
    dark: float = 3.0            # partials once the brightness sweep has settled
    sweep: float = 0.3           # seconds for the brightness to fall from bright to dark
    sustain_bright: float = 0.0  # share of brightness kept after the sweep
    vibrato: tuple = (0.0, 0.0, 0.0)  # rate Hz, depth cents, onset seconds
    sub: float = 0.0             # sine one octave below
    transpose: int = 0

    def render(self, key, vel, held, ctx, colour=None):
        f0 = key_hz(key + self.transpose)
        n = int(self.env.length(held) * RATE) + 1
        t = np.arange(n) / RATE
        level = self.env.levels(t, held) * (vel / 127.0)
        bright = (1 - self.sustain_bright) * np.exp(-t / max(self.sweep, 1e-3)) + self.sustain_bright
        if colour is not None:
            bright = bright * colour(t)
        limit = NYQUIST_GUARD / f0
        hi = wavetable(self.wave, min(self.bright, limit))
        lo = wavetable(self.wave, min(self.dark, limit))
        out = np.zeros((n, 2))
        rate, depth, onset = self.vibrato
        wobble = None
        if depth:
            wobble = depth / 1200 * np.sin(2 * np.pi * rate * t) * np.clip((t - onset) / 0.3, 0, 1)
        for v in range(self.voices):
            cents = 0.0 if self.voices == 1 else self.detune * (v / (self.voices - 1) - 0.5)
            start = (v * 0.381966) % 1.0
            if depth:
                phase = np.cumsum(f0 * 2 ** (cents / 1200 + wobble)) / RATE + start
            else:
                phase = t * (f0 * 2 ** (cents / 1200)) + start
            sig = lookup_blend(hi, lo, phase, bright)
            pan = 0.0 if self.voices == 1 else self.spread * (2 * v / (self.voices - 1) - 1)
            gl, gr = pan_gains(pan)
            out[:, 0] += sig * gl
            out[:, 1] += sig * gr
        out /= math.sqrt(self.voices)
        if self.sub:
            sub = self.sub * np.sin(2 * np.pi * f0 / 2 * t)
            out += sub[:, None] * 0.7
        return out * level[:, None]


@dataclass
class Drum:
    """Percussion: a pitch-swept sine body plus a band of noise, both under envelopes."""
    env: Envelope
    mix: Voice
    body_hz: tuple = (0.0, 0.0)     # start, end frequency of the sine body (0: none)
    body_sweep: float = 0.04        # seconds of the pitch fall
    body: float = 1.0
    noise_band: str = "white"       # which noise bank
    noise: float = 0.0
    noise_decay: float = 0.1        # seconds
    bursts: int = 1                 # clap: repeated noise onsets 11 ms apart
    tune_by_key: bool = False       # toms: the key sets the body pitch

    def render(self, key, vel, held, ctx, colour=None):
        n = int(self.env.length(held) * RATE) + 1
        t = np.arange(n) / RATE
        level = self.env.levels(t, held) * (vel / 127.0)
        out = np.zeros(n)
        start_hz, end_hz = self.body_hz
        if start_hz:
            if self.tune_by_key:
                ratio = key_hz(key) / key_hz(45)
                start_hz, end_hz = start_hz * ratio, end_hz * ratio
            freq = end_hz + (start_hz - end_hz) * np.exp(-t / self.body_sweep)
            out += self.body * np.sin(2 * np.pi * np.cumsum(freq) / RATE)
        if self.noise:
            noise = ctx.noise(self.noise_band, n)
            shape = np.exp(-t / self.noise_decay)
            if self.bursts > 1:
                gap = int(0.011 * RATE)
                shape = shape * 0.5
                for b in range(self.bursts):
                    tb = t[b * gap:] - b * gap / RATE
                    shape[b * gap:] += np.exp(-tb / 0.008) * 0.6
            out += self.noise * noise * shape
        gl, gr = pan_gains(self.mix.pan)
        mono = out * level
        return np.stack([mono * gl, mono * gr], axis=1)


@dataclass
class Riser:
    """Effects: key 60 and up is a rising noise sweep over the held time, lower keys an impact."""
    mix: Voice
    env: Envelope = field(default_factory=lambda: Envelope(0.01, 0.0, 1.0, 0.4))

    def render(self, key, vel, held, ctx, colour=None):
        if key < 60:
            n = int(2.5 * RATE)
            t = np.arange(n) / RATE
            freq = 30 + 90 * np.exp(-t / 0.15)
            boom = np.sin(2 * np.pi * np.cumsum(freq) / RATE) * np.exp(-t / 0.7)
            hiss = ctx.noise("low", n) * np.exp(-t / 0.5) * 0.5
            mono = (boom + hiss) * (vel / 127.0)
            return np.stack([mono, mono], axis=1) * 0.7
        n = int((held + 0.4) * RATE)
        t = np.arange(n) / RATE
        rise = np.clip(t / held, 0, 1) ** 2
        lo, hi = ctx.noise("low", n), ctx.noise("high", n)
        sweep = np.sin(2 * np.pi * np.cumsum(200 + 1800 * rise) / RATE) * 0.15
        mono = (lo * (1 - rise) + hi * rise + sweep) * rise
        mono[t > held] *= np.exp(-(t[t > held] - held) / 0.08)
        mono *= vel / 127.0
        # The sweep widens as it rises.
        return np.stack([mono * (1 - 0.3 * rise), mono * (0.7 + 0.3 * rise)], axis=1)


class Context:
    """Noise banks shared by every note of one render, seeded per song."""

    def __init__(self, seed):
        rng = np.random.default_rng(seed)
        length = 4 * RATE
        white = rng.standard_normal(length)
        spectrum = np.fft.rfft(white)
        hz = np.fft.rfftfreq(length, 1 / RATE)
        bands = {
            "white": np.ones_like(hz),
            "high": (hz > 7000).astype(float),
            "hat": np.clip((hz - 5000) / 3000, 0, 1),
            "snare": np.exp(-((np.log2(np.maximum(hz, 1) / 3500)) ** 2) / 2.0),
            "mid": np.exp(-((np.log2(np.maximum(hz, 1) / 1500)) ** 2) / 1.5),
            "low": 1 / (1 + (hz / 800) ** 2),
        }
        self.banks = {}
        for name, mask in bands.items():
            sig = np.fft.irfft(spectrum * mask, length)
            self.banks[name] = sig / np.abs(sig).max()
        self.count = 0

    def noise(self, band, n):
        """A slice of a noise bank; successive calls take different slices."""
        bank = self.banks[band]
        self.count += 1
        if n >= len(bank):
            return np.resize(bank, n)
        start = (self.count * 7919 * 37) % (len(bank) - n)
        return bank[start:start + n]


class Mixer:
    def __init__(self, samples):
        self.dry = np.zeros((samples, 2), np.float32)
        self.ducked = np.zeros((samples, 2), np.float32)
        self.reverb = np.zeros((samples, 2), np.float32)
        self.delay = np.zeros((samples, 2), np.float32)

    def add(self, sig, at, mix):
        end = min(at + len(sig), len(self.dry))
        if at >= end:
            return
        sig = sig[:end - at] * mix.gain
        (self.ducked if mix.ducked else self.dry)[at:end] += sig
        if mix.reverb:
            self.reverb[at:end] += sig * mix.reverb
        if mix.delay:
            self.delay[at:end] += sig * mix.delay


def render(song, seed):
    """The song as float stereo samples, peak-normalised and softly limited."""
    ctx = Context(seed)
    samples = int((song.seconds(song.beats + song.lead_beats) + song.tail_seconds) * RATE)
    mixer = Mixer(samples)
    kicks = []
    for track in song.tracks:
        _render_track(song, track, ctx, mixer)
        if track.instrument.mix.sidechain:
            kicks += [n.start for n in track.notes if n.key == KICK_KEY]
    out = mixer.dry.astype(np.float64)
    out += mixer.ducked * _duck_curve(song, kicks, samples)[:, None]
    out += _reverb(mixer.reverb, seed)
    out += _ping_pong(mixer.delay, song)
    fade = int(song.tail_seconds * RATE)
    out[-fade:] *= np.linspace(1, 0, fade)[:, None] ** 2
    out -= out.mean(axis=0)
    out /= max(1e-9, np.abs(out).max())
    drive = 1.6
    return np.tanh(out * drive) / math.tanh(drive) * 0.93


def _at(song, beat):
    return int(round(song.seconds(beat + song.lead_beats) * RATE))


def _render_track(song, track, ctx, mixer):
    inst = track.instrument
    arp = track.modulator(Arp)
    lfo = track.modulator(Lfo)
    env_mod = track.modulator(Envelope)
    if arp:
        for start, dur, key, source in arp_steps(track, arp):
            level = 1.0
            if env_mod is not None:
                since = np.array([song.seconds(start - source.start)])
                level = float(env_mod.levels(since, song.seconds(source.dur))[0])
            vel = max(1, int(source.vel * level))
            sig = inst.render(key, vel, song.seconds(dur), ctx)
            mixer.add(sig, _at(song, start), inst.mix)
        return
    # Repeated notes (same key, velocity, length and LFO period) sound the same: render once.
    cache = {}
    cc = sorted(track.cc)
    for note in track.notes:
        periods = () if lfo is None else (lfo.period_at(cc, note.start),
                                         lfo.period_at(cc, note.start + note.dur))
        key = (note.key, note.vel, note.dur, periods)
        sig = cache.get(key) if isinstance(inst, Synth) else None
        if sig is None:
            colour = tremolo = None
            if lfo is not None:
                colour, tremolo = _lfo_shapes(song, track, lfo, note)
            sig = inst.render(note.key, note.vel, song.seconds(note.dur), ctx, colour)
            if tremolo is not None:
                sig = sig * tremolo(np.arange(len(sig)) / RATE)[:, None]
            cache[key] = sig
        mixer.add(sig, _at(song, note.start), inst.mix)


def _lfo_shapes(song, track, lfo, note):
    """Brightness and tremolo following the LFO's value while the note is held."""
    cc = sorted(track.cc)

    def wave(t):
        beats = t * song.bpm / 60.0
        periods = np.array([lfo.period_at(cc, note.start + b) for b in beats[::512]])
        period = np.repeat(periods, 512)[:len(t)]
        value = lfo.levels(beats, period)
        held = beats < note.dur
        return np.where(held, value, value[held][-1] if held.any() else 0.0)

    def colour(t):
        return 0.35 + 0.65 * wave(t)

    def tremolo(t):
        return 0.75 + 0.25 * wave(t)

    return colour, tremolo


def _duck_curve(song, kicks, samples, depth=0.5):
    """Gain of the ducked bus: a fast dip at every kick, recovering over about 0.3 s."""
    if not kicks:
        return np.ones(samples)
    marks = np.full(samples, -10 ** 9, np.int64)
    for beat in kicks:
        at = _at(song, beat)
        if 0 <= at < samples:
            marks[at] = at
    last = np.maximum.accumulate(marks)
    dt = (np.arange(samples) - last) / RATE
    dip = depth * np.clip(dt / 0.004, 0, 1) * np.exp(-dt / 0.13)
    dip[last < 0] = 0
    return 1 - dip


def _reverb(send, seed):
    rng = np.random.default_rng(seed + 1)
    length = int(2.4 * RATE)
    t = np.arange(length) / RATE
    decay = np.exp(-t * 6.9 / 2.4)
    out = np.zeros(send.shape)
    nfft = 1 << int(math.ceil(math.log2(len(send) + length)))
    for ch in range(2):
        noise = rng.standard_normal(length)
        smooth = np.convolve(noise, np.ones(12) / 12, mode="same")
        dark = np.clip(t / 1.2, 0, 1)
        ir = (noise * (1 - dark) + smooth * 3 * dark) * decay
        ir[: int(0.02 * RATE)] = 0
        ir /= math.sqrt(np.sum(ir ** 2)) * 3
        wet = np.fft.irfft(np.fft.rfft(send[:, ch], nfft) * np.fft.rfft(ir, nfft), nfft)
        out[:, ch] = wet[: len(send)]
    return out


def _ping_pong(send, song):
    step = int(round(song.seconds(0.75) * RATE))
    mono = send.mean(axis=1).astype(np.float64)
    out = np.zeros((len(send), 2))
    gain = 1.0
    for k in range(1, 7):
        gain *= 0.45
        shift = k * step
        if shift >= len(send):
            break
        out[shift:, k % 2] += mono[:-shift] * gain
    return out


def encode_mp3(samples, path):
    """16-bit stereo WAV through lame at a constant 192 kbit/s; lame's output is reproducible."""
    pcm = np.round(np.clip(samples, -1, 1) * 32767).astype("<i2").tobytes()
    with tempfile.TemporaryDirectory() as tmp:
        wav_path = pathlib.Path(tmp) / "song.wav"
        with wave.open(str(wav_path), "wb") as wav:
            wav.setnchannels(2)
            wav.setsampwidth(2)
            wav.setframerate(RATE)
            wav.writeframes(pcm)
        # Encoded beside the WAV and moved into place whole, so a failed run leaves no MP3 that
        # looks up to date.
        mp3_path = pathlib.Path(tmp) / "song.mp3"
        cmd = ["lame", "--quiet", "-m", "j", "--cbr", "-b", "192", "--noreplaygain",
               str(wav_path), str(mp3_path)]
        subprocess.run(cmd, check=True)
        shutil.move(str(mp3_path), str(path))
