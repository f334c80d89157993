"""Settings by keyword: tavo-track's options, their defaults, the preset
rule, their ranges and messages; seeds."""

import numpy as np
import pytest

import tavo
from conftest import SQUARE_BOXES, command_error, squares_frame


def tracker(**settings):
    return tavo.Tracker(squares_frame(), SQUARE_BOXES, seed=1, **settings)


def test_defaults_and_the_preset_are_the_commands():
    defaults = tavo.default_settings()
    assert defaults["samples"] == 500 and defaults["iterations"] == 5000 and defaults["model"] == "hue"
    assert tracker().settings == defaults
    robust = tavo.default_settings(robust=True)
    # --help lists what --robust sets: exactly the settings that differ.
    changed = {name for name in defaults if robust[name] != defaults[name]}
    assert changed and changed <= set(robust)
    assert tracker(robust=True).settings == robust


def test_given_settings_override_the_preset_and_flags_switch_off():
    s = tracker(robust=True, kernel=False, parts=1, hsv_bins=(4, 5, 6), scale_range="0.8,1.5",
                lost_and_found=np.bool_(False)).settings
    assert s["kernel"] is False and s["lost_and_found"] is False and s["parts"] == 1
    assert s["hsv_bins"] == (4, 5, 6) and s["scale_range"] == (0.8, 1.5)
    assert s["model"] == "hsv" and s["adaptive_noise"] is True, "not given: the preset's"
    assert tracker(hsv_bins="4,5,6").settings["hsv_bins"] == (4, 5, 6)
    assert tracker(robust=True).settings["parts"] == "auto" and tracker(parts="auto").settings["parts"] == "auto"
    assert tracker(kernel=True).settings["kernel"] is True
    # The surround follows the command's rule: on with a scale walk unless
    # the foreground cue is on.
    assert tracker(scale_noise=0.02).settings["surround"] == 0.5
    assert tracker(scale_noise=0.02, foreground=1).settings["surround"] == 0.0
    assert tracker(scale_noise=0.02, surround=2).settings["surround"] == 2.0


@pytest.mark.parametrize("settings, option", [
    (dict(parts=3), ["--parts", "3"]),
    (dict(parts=0), ["--parts", "0"]),
    (dict(threads=0), ["--threads", "0"]),
    (dict(samples=10**12), ["--samples", str(10**12)]),
    (dict(hsv_bins=(10, 10)), ["--hsv-bins", "10,10"]),
    (dict(hsv_bins=(16, 16, 1)), ["--hsv-bins", "16,16,1"]),
    (dict(scale_range=(1.2, 2)), ["--scale-range", "1.2,2"]),
    (dict(adapt=float("nan")), ["--adapt", "nan"]),
    (dict(noise=-1), ["--noise", "-1"]),
    (dict(model="rgb"), ["--model", "rgb"]),
    (dict(spread=1.5), ["--spread", "1.5"]),
])
def test_out_of_range_values_get_the_commands_words(settings, option):
    with pytest.raises(ValueError) as raised:
        tracker(**settings)
    (name, value), = settings.items()
    expected = command_error(*option)
    assert expected.startswith(option[0] + " '")
    assert str(raised.value) == f"{name}={value!r}: " + expected.split("': ", 1)[1]


def test_wrong_names_and_types_raise_type_error():
    with pytest.raises(TypeError, match="unknown setting 'colour', 'sample';"):
        tracker(colour="hsv", sample=3)
    with pytest.raises(TypeError, match="unknown setting 'hsv-bins'"):
        tracker(**{"hsv-bins": (1, 1, 1)})
    for settings in (dict(kernel=1), dict(samples=2.0), dict(samples=True), dict(noise=[1]), dict(model=1),
                     dict(hsv_bins=(1.5, 2, 3)), dict(scale_range=0.5)):
        with pytest.raises(TypeError):
            tracker(**settings)
    with pytest.raises(ValueError, match="kernel='yes': expected on or off"):
        tracker(kernel="yes")


def test_none_is_refused_for_every_setting():
    # As the command has no empty option: a setting left out has its
    # default, one given None is a mistake (e.g. a value missing upstream).
    for name in tavo.default_settings():
        with pytest.raises(TypeError, match=f"^{name} takes .+, not NoneType$"):
            tracker(**{name: None})
        with pytest.raises(TypeError, match=f"^{name} takes .+, not NoneType$"):
            tavo.track_video("missing.avi", SQUARE_BOXES, robust=True, **{name: None})
    for robust in [None, 1, "on"]:
        with pytest.raises(TypeError, match=f"^robust takes True or False, not {type(robust).__name__}$"):
            tracker(robust=robust)
    assert tracker(robust=np.bool_(True)).settings == tavo.default_settings(robust=True)


def test_seed_drawn_given_and_refused():
    drawn = {tavo.Tracker(squares_frame(), SQUARE_BOXES).seed for _ in range(3)}
    assert len(drawn) == 3
    assert tavo.Tracker(squares_frame(), SQUARE_BOXES, seed=-2**63).seed == -2**63
    assert tavo.Tracker(squares_frame(), SQUARE_BOXES, seed=np.int64(5)).seed == 5
    with pytest.raises(ValueError, match="seed=9223372036854775808: expected a 64-bit integer"):
        tavo.Tracker(squares_frame(), SQUARE_BOXES, seed=2**63)
    with pytest.raises(TypeError):
        tavo.Tracker(squares_frame(), SQUARE_BOXES, seed="1")
