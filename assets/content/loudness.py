"""Loudness of the prepared sounds and pieces: an EBU R 128 meter (Debian's libebur128, through
ctypes), a look-ahead limiter that levels a sound to the target, and the spectral flatness that
tells a tone from static.

Every key sound and every piece is levelled to TARGET_LUFS so that a volume set for one suits the
other. A mono WAVE plays at full level on both loudspeakers, so it is measured as dual mono, the
way it is heard.
"""

import ctypes
import ctypes.util
import functools
import struct
import subprocess
import wave

import numpy as np

TARGET_LUFS = -16.0
TOLERANCE_LU = 2.0
CEILING_DBTP = -1.0
# Above this a sound is more static than tone (flatness(): white noise 0.56, rumbling noise
# 0.3, a noisy growl 0.16; tones, voices and instruments stay under 0.1).
NOISE_FLATNESS = 0.15

_MODE_I_AND_TRUE_PEAK = (1 << 2) | (1 << 5) | (1 << 4) | 1
_DUAL_MONO = 6


@functools.cache
def _library():
    name = ctypes.util.find_library("ebur128") or "libebur128.so.1"
    try:
        lib = ctypes.CDLL(name)
    except OSError:
        raise RuntimeError("libebur128 is missing; run scripts/bootstrap.sh") from None
    lib.ebur128_init.restype = ctypes.c_void_p
    lib.ebur128_init.argtypes = [ctypes.c_uint, ctypes.c_ulong, ctypes.c_int]
    lib.ebur128_destroy.argtypes = [ctypes.POINTER(ctypes.c_void_p)]
    lib.ebur128_set_channel.argtypes = [ctypes.c_void_p, ctypes.c_uint, ctypes.c_int]
    lib.ebur128_add_frames_float.argtypes = [ctypes.c_void_p, ctypes.c_void_p, ctypes.c_size_t]
    lib.ebur128_loudness_global.argtypes = [ctypes.c_void_p, ctypes.POINTER(ctypes.c_double)]
    lib.ebur128_true_peak.argtypes = [ctypes.c_void_p, ctypes.c_uint,
                                      ctypes.POINTER(ctypes.c_double)]
    return lib


def measure(samples, rate):
    """Integrated loudness (LUFS) and true peak (dBTP) of float samples: a 1-D array is a mono
    sound played on both sides, a 2-D array (frames, channels) is played as it is."""
    lib = _library()
    frames = np.ascontiguousarray(samples, dtype=np.float32)
    short = int(rate * 0.4) - len(frames)
    if short > 0:  # the meter needs one 400 ms block: count a short sound as one
        frames = np.concatenate([frames, np.zeros((short,) + frames.shape[1:], np.float32)])
    channels = 1 if frames.ndim == 1 else frames.shape[1]
    state = ctypes.c_void_p(lib.ebur128_init(channels, rate, _MODE_I_AND_TRUE_PEAK))
    if not state:
        raise RuntimeError("libebur128 could not start a measurement")
    try:
        if channels == 1:
            lib.ebur128_set_channel(state, 0, _DUAL_MONO)
        lib.ebur128_add_frames_float(state, frames.ctypes.data, len(frames))
        loudness, peak, worst = ctypes.c_double(), ctypes.c_double(), 0.0
        lib.ebur128_loudness_global(state, ctypes.byref(loudness))
        for channel in range(channels):
            lib.ebur128_true_peak(state, channel, ctypes.byref(peak))
            worst = max(worst, peak.value)
    finally:
        lib.ebur128_destroy(ctypes.byref(state))
    return loudness.value, 20 * np.log10(max(worst, 1e-9))


def read_audio(path, options=(), effects=()):
    """Samples of any file sox reads, as float (frames, channels), and the sample rate; sox's
    output `options` and `effects` apply on the way (a plain PCM WAVE without them is read
    here, which is faster)."""
    if not options and not effects:
        try:
            with wave.open(path) as w:
                width, channels = w.getsampwidth(), w.getnchannels()
                frames, rate = w.readframes(w.getnframes()), w.getframerate()
            if width in (1, 2):
                samples = (np.frombuffer(frames, np.uint8).astype(np.float32) - 128) / 128 \
                    if width == 1 else np.frombuffer(frames, "<i2") / np.float32(32768)
                return samples.reshape(-1, channels), rate
        except (wave.Error, EOFError):
            pass  # an encoding only sox reads
    try:
        data = subprocess.run(["sox", path, *options, "-t", "wav", "-e", "floating-point", "-b",
                               "32", "-", *effects], check=True, capture_output=True).stdout
    except FileNotFoundError:
        raise RuntimeError("sox is missing; run scripts/bootstrap.sh") from None
    except subprocess.CalledProcessError as error:
        raise RuntimeError(f"{path}: {error.stderr.decode(errors='replace').strip()}") from None
    pos, channels, rate = 12, 0, 0
    while pos + 8 <= len(data):
        tag, size = data[pos:pos + 4], struct.unpack_from("<I", data, pos + 4)[0]
        if tag == b"fmt ":
            channels, rate = struct.unpack_from("<HI", data, pos + 10)
        elif tag == b"data":
            # sox writes to a pipe without going back for the size: the data runs to the end
            body = data[pos + 8:]
            body = body[:len(body) - len(body) % (4 * channels)]
            return np.frombuffer(body, dtype="<f4").reshape(-1, channels), rate
        pos += 8 + size + (size & 1)
    raise RuntimeError(f"{path}: sox gave no samples")


def _running_min(values, before, after):
    """The least of values[i - before : i + after + 1] for every i (doubling spans, no loop per
    sample)."""
    count, length = len(values), before + after + 1
    table, span = np.concatenate([np.ones(before), values, np.ones(after)]), 1
    while span * 2 <= length:
        table, span = np.minimum(table[:-span], table[span:]), span * 2
    return np.minimum(table[:count], table[length - span:length - span + count])


def limit(samples, rate, ceiling):
    """Samples whose peaks stay under `ceiling` (linear): the gain falls over 2 ms ahead of a
    peak and holds for 40 ms after it, so a loud sound keeps its shape instead of clipping."""
    ahead, hold = max(1, int(0.002 * rate)), int(0.04 * rate)
    need = np.minimum(1.0, ceiling / np.maximum(np.abs(samples), 1e-9))
    held = _running_min(need, hold, ahead)
    # the mean over [i - ahead, i] of a minimum over [j - hold, j + ahead] never exceeds need[i]
    ramp = np.convolve(np.concatenate([np.full(ahead, held[0]), held]),
                       np.ones(ahead + 1) / (ahead + 1), "valid")
    return samples * ramp


def level(samples, rate, target=TARGET_LUFS, ceiling_db=CEILING_DBTP - 0.5):
    """Mono samples brought to `target` LUFS, their true peak limited to about `ceiling_db`."""
    source = np.asarray(samples, dtype=np.float64)
    ceiling = 10 ** (ceiling_db / 20)
    gain_db = target - measure(source, rate)[0]
    for _ in range(8):
        out = limit(source * 10 ** (gain_db / 20), rate, ceiling)
        loudness, peak = measure(out, rate)
        if abs(loudness - target) < 0.2 and peak <= ceiling_db + 0.3:
            break
        gain_db += target - loudness
        if peak > ceiling_db:  # overs between the samples: lower the samples' ceiling
            ceiling *= 10 ** ((ceiling_db - peak) / 20)
    return out


def flatness(samples, rate):
    """Spectral flatness (geometric over arithmetic mean of the power spectrum, 100 Hz - 5 kHz,
    46 ms frames) of the frames within 20 dB of the loudest, weighted by their power: about
    0.56 for white noise and 0.3 for the rumbling kind, well under 0.1 for a tone or a voice."""
    mono = np.asarray(samples, dtype=np.float64)
    if mono.ndim == 2:
        mono = mono.mean(axis=1)
    size = 1 << int(round(np.log2(rate * 0.046)))
    if len(mono) < size:
        mono = np.concatenate([mono, np.zeros(size - len(mono))])
    frames = np.lib.stride_tricks.sliding_window_view(mono, size)[::size // 4] * np.hanning(size)
    power = np.abs(np.fft.rfft(frames, axis=1)) ** 2
    freqs = np.fft.rfftfreq(size, 1 / rate)
    band = power[:, (freqs >= 100) & (freqs <= 5000)]
    mean = band.mean(axis=1)
    loud = mean >= mean.max() * 0.01
    geometric = np.exp(np.log(band[loud] + mean[loud, None] * 1e-10).mean(axis=1))
    return float(geometric.sum() / mean[loud].sum())
