#!/usr/bin/python3
"""check_handheld_model.py PROBE CARILLO DIRECTORY...: each .mid file, made format 0 by CARILLO, plays in PROBE
as in this model of the handheld (of what well-formed tunes meet), with its exact length; for the shortest, CARILLO
render's WAV sounds each note with its sign changes at its level, and nothing between. Shaped by CARILLO --ring
--octave 0: one track on channel 1, a note at a time, (played here) ending within 0.02 s of the original's melody
(its highest key on any channel but 10), sounding it at 90% of its ticks' middles (95% median), in no more bytes
than the format-0 tune (40% median)."""
import os
import statistics
import subprocess
import sys
import tempfile
from bisect import bisect_right
from concurrent.futures import ProcessPoolExecutor
from itertools import groupby


def number(data, pos, value=0):  # a variable-length number: (value, next position)
    while data[pos] >= 0x80:
        value, pos = value << 7 | data[pos] & 0x7F, pos + 1
    return value << 7 | data[pos], pos + 1


def play(data, volume):
    """What the handheld does: (outcome, offset, reason, ticks, [(start, end, key, amplitude)])."""
    be = lambda a, b: int.from_bytes(data[a:b], "big")
    if data[:4] != b"MThd" or be(8, 10) != 0 or data[8 + be(4, 8):12 + be(4, 8)] != b"MTrk":
        return ("silent",)
    division, pos = be(12, 14), 16 + be(4, 8)
    end, frames = min(len(data), pos + be(pos - 4, pos)), 256 - (division >> 8) if division & 0x8000 else 0
    divisor = (30 if frames == 29 else frames) * (division & 0xFF) if frames else division  # SMPTE: ticks a second
    tempo, status, waited, pending, notes, sounding = 500000, None, 0, 0, [], None

    def wait_and_silence(sounding):
        if sounding and waited + pending > sounding[0]:
            notes.append((sounding[0], waited + pending, sounding[2], sounding[3]))
        return waited + pending, 0, None

    while pos < end:
        delta, pos = number(data, pos)
        if delta:  # every product wraps at 32 bits; at least one tick
            product = delta * 100 if frames else (delta * (tempo // divisor) & 0xFFFFFFFF) * 100
            pending += max(1, (product & 0xFFFFFFFF) // (divisor if frames else 1000000))
        if data[pos] == 0xFF:
            kind, (length, pos), status = data[pos + 1], number(data, pos + 2), None
            if kind == 0x2F:
                waited, pending, sounding = wait_and_silence(sounding)
                return "plays", 0, "", waited, notes
            tempo, pos = be(pos, pos + 3) if kind == 0x51 else tempo, pos + length
        elif data[pos] == 0xF0:
            (length, pos), status = number(data, pos + 1), None
            pos += length
        elif data[pos] >= 0xF0 or (data[pos] < 0x80 and status is None):
            break
        else:
            status, pos = (data[pos], pos + 1) if data[pos] >= 0x80 else (status, pos)
            key, velocity, pos = data[pos], data[pos + 1], pos + (1 if status & 0xE0 == 0xC0 else 2)
            if status & 0xF0 == 0x90 and velocity > 0:
                waited, pending, sounding = wait_and_silence(sounding)
                sounding = (waited, status & 0x0F, key, min(volume, 64) * velocity // 127)
            elif status & 0xF0 in (0x80, 0x90) and sounding and sounding[1:3] == (status & 0x0F, key):
                waited, pending, sounding = wait_and_silence(sounding)
    pending = 0  # a stop waits for nothing more: a note sounding ends at the last event waited for
    wait_and_silence(sounding)
    return ("stops", end, "no End of Track", waited, notes) if pos >= end else ("a stop only crafted tunes reach",)


def read_tune(data):
    """As a synthesizer reads it: division, notes (tick, track, order, on, channel, key), tempos, ends, statuses."""
    be = lambda a, b: int.from_bytes(data[a:b], "big")
    notes, tempos, ends, statuses, pos = [], [], [], set(), 8 + be(4, 8)
    while pos + 8 <= len(data) and len(ends) < be(10, 12):
        p, body_end, tick, status = pos + 8, pos + 8 + be(pos + 4, pos + 8), 0, 0
        while data[pos:pos + 4] == b"MTrk" and p < body_end:
            delta, p = number(data, p)
            tick += delta
            if data[p] == 0xFF and data[p + 1] == 0x2F:
                break
            if data[p] in (0xFF, 0xF0, 0xF7):
                length, q = number(data, p + 2 if data[p] == 0xFF else p + 1)
                if data[p] == 0xFF and data[p + 1] == 0x51:
                    tempos.append((tick, len(ends), len(tempos), be(q, q + 3)))
                p = q + length
                continue
            status, p = (data[p], p + 1) if data[p] >= 0x80 else (status, p)
            statuses.add(status)
            if status & 0xF0 in (0x80, 0x90):
                on = status & 0xF0 == 0x90 and data[p + 1] > 0
                notes.append((tick, len(ends), len(notes), on, status & 15, data[p]))
            p += 1 if status & 0xE0 == 0xC0 else 2
        ends += [tick] if data[pos:pos + 4] == b"MTrk" else []
        pos = body_end
    return be(12, 14), sorted(notes), [(t[0], t[3]) for t in sorted(tempos)], ends, statuses


def melody(notes, ends, seconds_at):
    """The highest key sounding on any channel but 10: (instant times, key from each on)."""
    waiting, spans = {}, []
    for tick, track, _order, on, channel, key in (note for note in notes if note[4] != 9):
        if on:
            waiting.setdefault((channel, key), []).append((tick, track))
        elif waiting.get((channel, key)):
            spans.append((waiting[(channel, key)].pop(0)[0], tick, key))
    spans += [(tick, ends[track], key) for (_c, key), rest in waiting.items() for tick, track in rest]
    changes = sorted([(s, 1, key) for s, e, key in spans if e > s] + [(e, 0, key) for s, e, key in spans if e > s])
    counts, times, keys = [0] * 128, [], []
    for tick, instant in groupby(changes, key=lambda change: change[0]):
        for _tick, on, key in instant:
            counts[key] += 1 if on else -1
        times.append(seconds_at(tick))
        keys.append(next((k for k in range(127, -1, -1) if counts[k] > 0), None))
    return times, keys


def wav_faults(wav, notes):
    """What in a WAV file of 22050 Hz differs from the notes' square waves: 2 f d sign changes (+-2), +-level."""
    samples = memoryview(wav[44:]).cast("h")
    faults, covered = [], 0
    for start, end, key, amplitude in notes:
        first, last, frequency = start * 441 // 2, end * 441 // 2, round(440 * 2 ** ((key - 69) / 12))
        part = samples[first:last]
        changes = sum(1 for a, b in zip(part, part[1:]) if (a > 0) != (b > 0))
        expected = 2 * frequency * (last - first) / 22050
        if {abs(x) for x in part} - {amplitude * 511} or (frequency < 11025 and abs(changes + 1 - expected) > 2):
            faults.append("key %d at tick %d: %d sign changes for %.0f" % (key, start, changes + 1, expected))
        covered += last - first
    if sum(1 for x in samples if x) != covered or len(samples) != (notes[-1][1] * 441 // 2 if notes else 0):
        faults.append("sound outside the notes")
    return faults


def check(path, probe, carillo, work):
    """(the tune's line of figures, its failures, its figures: melody before and after, bytes)."""
    name, failures, format0 = os.path.basename(path), [], os.path.join(work, "%d.mid" % os.getpid())
    subprocess.run([carillo, "convert", "--yes", "--quiet", path, format0], check=True)
    original, tune = open(path, "rb").read(), open(format0, "rb").read()
    division, notes, tempos, ends, _statuses = read_tune(original)
    points = [(0, 0.0, 500000)]  # the exact tempo map: tick, seconds, tempo from there on
    for tick, tempo in tempos:
        points.append((tick, points[-1][1] + (tick - points[-1][0]) * points[-1][2] / 1e6 / division, tempo))
    at = lambda tick: points[bisect_right([p[0] for p in points], tick) - 1]
    seconds_at = lambda tick: at(tick)[1] + (tick - at(tick)[0]) * at(tick)[2] / 1e6 / division
    before = play(tune, 64)
    lines = subprocess.run([probe, "play", format0, "64"], capture_output=True, text=True).stdout.split("\n")
    head = lines[0].split() + ["0"] * 4
    probed = (head[0], int(head[1]), lines[1], int(head[2]), [tuple(map(int, n.split())) for n in lines[2:-1]])
    if probed != before or abs(float(head[3]) - seconds_at(max(ends))) > 1e-6:
        failures.append("%s: the player differs from the model: %s" % (name, lines[:2]))
    if len(tune) < 9000:  # the shortest tunes' sound, sample by sample
        wav = subprocess.run([carillo, "render", format0, "-"], capture_output=True).stdout
        failures += ["%s: render: %s" % (name, fault) for fault in wav_faults(wav, before[4])[:3]]
    times, keys = melody(notes, ends, seconds_at)
    run = subprocess.run([carillo, "convert", path, "-", "--ring", "--octave", "0", "--quiet"], capture_output=True)
    shaped, after = run.stdout, play(run.stdout, 64)
    _division, shaped_notes, _tempos, _ends, statuses = read_tune(shaped) if shaped else (0, [], [], [], {})
    sounding, overlaps = None, 0  # a Note On while a key sounds; Offs of other keys split long deltas
    for *_, on, _channel, key in shaped_notes:
        overlaps += on and sounding is not None
        sounding = key if on else None if key == sounding else sounding
    if shaped[8:12] != b"\0\0\0\1" or statuses != {0x90} or after[0] != "plays" or overlaps:
        return "", failures + ["%s: not one track on channel 1, one note at a time: %s" % (name, run.stderr)], None
    # the share of sounding ticks whose key is the melody's at the tick's middle (None before it)
    agreement = lambda played: statistics.mean([keys[bisect_right(times, (tick + 0.5) / 100) - 1] == key
                                                for start, end, key, _a in played for tick in range(start, end)] or [0])
    figures = (agreement(before[4]), agreement(after[4]), len(shaped) / len(tune))
    drift = after[3] / 100 - times[-1]
    if abs(drift) > 0.02 or figures[1] < 0.9 or len(shaped) > len(tune):
        failures.append("%s: ends %+.3f s from the melody, sounds it %.1f%%, %d of %d bytes"
                        % (name, drift, 100 * figures[1], len(shaped), len(tune)))
    return ("%-38s melody before %5.1f%%, after %5.1f%%; bytes %3.0f%%; end %+.3f s; handheld %.1f s, tune %.1f s"
            % (name, *(100 * f for f in figures), drift, before[3] / 100, seconds_at(max(ends)))), failures, figures


def main():
    probe, carillo, directories = sys.argv[1], sys.argv[2], sys.argv[3:]
    tunes = sorted(os.path.join(root, name) for directory in directories for root, _d, names in os.walk(directory)
                   for name in names if name.lower().endswith(".mid"))
    with tempfile.TemporaryDirectory() as work, ProcessPoolExecutor() as pool:
        results = list(pool.map(check, tunes, *zip(*[(probe, carillo, work)] * len(tunes)))) if tunes else []
    figures = [result[2] for result in results if result[2]] or [(0, 0, 1)]
    before, after, size = ([f[i] for f in figures] for i in range(3))
    medians = [statistics.median(values) for values in (before, after, size)]
    failures = [failure for result in results for failure in result[1]] + ["no tunes"] * (not tunes)
    if medians[1] < 0.95 or medians[2] > 0.4:
        failures.append("medians: melody %.1f%%, bytes %.0f%%" % (100 * medians[1], 100 * medians[2]))
    print("\n".join([result[0] for result in results if result[0]] + ["FAIL " + failure for failure in failures]))
    print("%d tunes, medians: melody before %.1f%%, after %.1f%% (worst %.1f%%); bytes %.0f%% (worst %.0f%%)"
          % (len(figures), 100 * medians[0], 100 * medians[1], 100 * min(after), 100 * medians[2], 100 * max(size)))
    return 1 if failures else 0


if __name__ == "__main__":
    sys.exit(main())
