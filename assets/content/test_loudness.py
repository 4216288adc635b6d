#!/usr/bin/python3
"""The loudness meter, the leveller and the static detector against signals of known measure."""

import os
import sys
import tempfile
import unittest

import numpy as np

sys.dont_write_bytecode = True
sys.path.insert(0, os.path.dirname(os.path.abspath(__file__)))
import loudness  # noqa: E402
import sounds  # noqa: E402

RATE = 22050
TIME = np.arange(int(1.2 * RATE)) / RATE


def tone(freq, amplitude=1.0, seconds=1.2):
    return amplitude * np.sin(2 * np.pi * freq * TIME[:int(seconds * RATE)])


class MeterTest(unittest.TestCase):
    def test_a_sine_reads_its_reference_loudness(self):
        # EBU R 128: a 1 kHz sine at -20 dBFS on both channels reads -20 LUFS; a mono file is
        # played on both sides, so it reads the same; one side alone reads 3 LU less.
        sine = tone(1000, 0.1)
        for samples, expected in ((sine, -20.0), (np.stack([sine, sine], 1), -20.0),
                                  (np.stack([sine, 0 * sine], 1), -23.0)):
            self.assertAlmostEqual(loudness.measure(samples, RATE)[0], expected, delta=0.1)
        self.assertAlmostEqual(loudness.measure(sine, RATE)[1], -20.0, delta=0.2)  # true peak

    def test_a_sound_shorter_than_the_meter_block_still_reads(self):
        self.assertTrue(np.isfinite(loudness.measure(tone(800, 0.5, 0.15), RATE)[0]))


class LevelTest(unittest.TestCase):
    def test_quiet_and_spiky_sounds_reach_the_target_under_the_ceiling(self):
        spiky = tone(440, 0.05) * np.exp(-2 * TIME)
        spiky[::3000] = 0.9  # clicks far above the tone
        for samples in (tone(300, 0.01), spiky, tone(900, 0.5, 0.2)):
            heard, peak = loudness.measure(loudness.level(samples, RATE), RATE)
            self.assertAlmostEqual(heard, loudness.TARGET_LUFS, delta=0.3)
            self.assertLessEqual(peak, loudness.CEILING_DBTP)

    def test_every_encoding_keeps_the_level(self):
        speechlike = sum(tone(150 * k, 0.3 / k) for k in range(1, 12)) * (0.6 + 0.4 * tone(4))
        with tempfile.TemporaryDirectory() as tmp:
            for encoding in sounds.ENCODINGS:
                source, target = f"{tmp}/source.wav", f"{tmp}/{encoding}.wav"
                sounds.write_pcm16(list(speechlike), source)
                sounds.finish(source, target, encoding)
                samples, rate = loudness.read_audio(target)
                heard, peak = loudness.measure(samples[:, 0], rate)
                self.assertAlmostEqual(heard, loudness.TARGET_LUFS, delta=0.5, msg=encoding)
                self.assertLessEqual(peak, loudness.CEILING_DBTP, msg=encoding)


class FlatnessTest(unittest.TestCase):
    def test_static_reads_as_noise_and_tones_do_not(self):
        rng = np.random.default_rng(7)
        white = rng.uniform(-1, 1, len(TIME))
        rumble = np.zeros_like(white)  # the one-pole low-passed noise the old growls were made of
        for n in range(1, len(white)):
            rumble[n] = rumble[n - 1] + 0.2 * (white[n] - rumble[n - 1])
        growl = 2 * rumble + 0.5 * sum(tone(70 * k, h) for k, h in enumerate((1, 0.7, 0.5, 0.4), 1))
        for noise in (white, rumble, growl):
            self.assertGreater(loudness.flatness(noise, RATE), loudness.NOISE_FLATNESS)
        vibrato = sum(np.sin(2 * np.pi * k * (220 * TIME + 4 * np.sin(2 * np.pi * 6 * TIME))) / k
                      for k in range(1, 20))
        chord = sum(tone(f) for f in (262, 330, 392, 523))
        for sound in (vibrato, chord, tone(3000) * (TIME % 0.1 < 0.02)):
            self.assertLess(loudness.flatness(sound, RATE), loudness.NOISE_FLATNESS / 2)


if __name__ == "__main__":
    unittest.main()
