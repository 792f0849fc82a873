"""Enumerations and module attributes as Python sees them."""
import pytest

import VeltorDepthCamera as vdc

ENUMS = {
    "TofErrorCode": [
        ("VeltorSuccess", 0), ("VeltorInvalidParameter", 1), ("VeltorNoCache", 2),
        ("VeltorUnkownDevice", 3), ("VeltorNotImplemented", 4), ("VeltorNoPermission", 5),
        ("VeltorSkipFrame", 240), ("VeltorSystemError", -2), ("VeltorUnkownError", -1),
    ],
    "Connection": [("CSI", 0), ("USB", 1)],
    "DeviceType": [("VGA", 0), ("HQVGA", 1)],
    "FrameType": [("RAW", 0), ("DEPTH", 2), ("CONFIDENCE", 1), ("AMPLITUDE", 3), ("CACHE", 4)],
    "Control": [
        ("RANGE", 0), ("FMT_WIDTH", 1), ("FMT_HEIGHT", 2), ("MODE", 3), ("FRAME_MODE", 4),
        ("EXPOSURE", 5), ("FRAME_RATE", 6), ("SKIP_FRAME", 7), ("SKIP_FRAME_LOOP", 8),
        ("AUTO_FRAME_RATE", 9), ("INTRINSIC_FX", 10), ("INTRINSIC_FY", 11),
        ("INTRINSIC_CX", 12), ("INTRINSIC_CY", 13), ("DENOISE", 14), ("HFLIP", 15),
        ("VFLIP", 16), ("CONFIG_DIR_EXT", 256), ("LOAD_CALI_DATA", 257),
        ("SAVE_CALI_DATA", 258), ("I2C_BY_PASS", 259), ("I2C_BUS_NUM", 260),
    ],
    "TofWorkMode": [
        ("SINGLE_FREQ", 0), ("DOUBLE_FREQ", 1), ("TRIPLE_FREQ", 2), ("QUAD_FREQ", 3),
        ("DISTANCE", 4), ("HDR", 5), ("AE", 6), ("BG_OUTDOOR", 7), ("GRAY_ONLY", 8),
        ("CUSTOM1", 9), ("CUSTOM2", 10), ("CUSTOM3", 11),
    ],
    "TofFrameWorkMode": [
        ("SINGLE_FREQ_2PHASE", 0), ("SINGLE_FREQ_4PHASE", 1), ("SINGLE_FREQ_4PHASE_GRAY", 2),
        ("SINGLE_FREQ_4PHASE_BG", 3), ("SINGLE_FREQ_4PHASE_4BG", 4),
        ("SINGLE_FREQ_4PHASE_GRAY_5BG", 5), ("SINGLE_FREQ_GRAY_BG_4PHASE_GRAY_BG", 6),
        ("SINGLE_FREQ_GRAY_BG_4PHASE_BG", 7), ("SINGLE_FREQ_BG_GRAY_BG_4PHASE", 8),
        ("SINGLE_FREQ_BG_4PHASE_BG_GRAY", 9), ("DOUBLE_FREQ_4PHASE", 10),
        ("DOUBLE_FREQ_4PHASE_GRAY_4PHASE_BG", 11), ("DOUBLE_FREQ_4PHASE_4BG", 12),
        ("DOUBLE_FREQ_4PHASE_GRAY_5BG", 13), ("TRIPLE_FREQ_4PHASE", 14),
        ("TRIPLE_FREQ_4PHASE_GRAY_4PHASE_GRAY_4PHASE_BG", 15), ("QUAD_FREQ_4PHASE", 16),
        ("QUAD_FREQ_4PHASE_GRAY_4PHASE_BG_4PHASE_GRAY_4PHASE_BG", 17), ("BG_OUTDOOR", 18),
        ("GRAY_ONLY", 19), ("CUSTOM", 20),
    ],
}


def test_version():
    assert vdc.__version__ == "0.1.24"


@pytest.mark.parametrize("enum_name", sorted(ENUMS))
def test_members_values_and_registration_order(enum_name):
    cls = getattr(vdc, enum_name)
    expected = ENUMS[enum_name]
    assert [(n, m.value) for n, m in cls.__members__.items()] == expected
    for name, value in expected:
        member = getattr(cls, name)
        assert member.name == name
        assert member.value == value
        assert int(member) == value
        assert member == cls(value)
        # Members belong to their class, not to the module.
        assert name not in vars(vdc) or name == enum_name


@pytest.mark.parametrize("enum_name", ["TofWorkMode", "TofFrameWorkMode"])
def test_work_modes_have_int(enum_name):
    cls = getattr(vdc, enum_name)
    assert "__int__" in vars(cls)
    for name, value in ENUMS[enum_name]:
        assert getattr(cls, name).__int__() == value


@pytest.mark.parametrize("name,text", [
    ("VeltorSuccess", "Success"),
    ("VeltorInvalidParameter", "Invalid parameter"),
    ("VeltorNoCache", "No cache"),
    ("VeltorUnkownDevice", "Unkown device"),
    ("VeltorNotImplemented", "Not implemented"),
    ("VeltorNoPermission", "Unknown error"),
    ("VeltorSkipFrame", "Skip frame"),
    ("VeltorSystemError", "System error"),
    ("VeltorUnkownError", "Unknown error"),
])
def test_error_code_str(name, text):
    member = getattr(vdc.TofErrorCode, name)
    result = member.str()
    assert isinstance(result, str)
    assert result == text


def test_members_of_different_values_differ():
    assert vdc.FrameType.RAW != vdc.FrameType.DEPTH
    assert vdc.TofErrorCode.VeltorSuccess != vdc.TofErrorCode.VeltorUnkownError


@pytest.mark.parametrize("cls_name", ["FrameFormat", "CameraInfo", "Frame", "RawData",
                                      "DepthData"])
def test_value_and_frame_classes_have_no_constructor(cls_name):
    with pytest.raises(TypeError):
        getattr(vdc, cls_name)()


def test_frame_class_hierarchy_and_docstrings():
    assert issubclass(vdc.RawData, vdc.Frame)
    assert issubclass(vdc.DepthData, vdc.Frame)
    docs = {
        (vdc.Frame, "data"): "Frame data",
        (vdc.Frame, "format"): "Frame data format",
        (vdc.RawData, "data"): "Frame data",
        (vdc.RawData, "raw_data"): "Frame data(raw data)",
        (vdc.RawData, "format"): "Frame data format",
        (vdc.DepthData, "data"): "Frame data",
        (vdc.DepthData, "depth_data"): "Frame data(depth data)",
        (vdc.DepthData, "confidence_data"): "Frame data(confidence data)",
        (vdc.DepthData, "amplitude_data"): "Frame data(amplitude data)",
        (vdc.DepthData, "format"): "Frame data format",
    }
    for (cls, prop), doc in docs.items():
        attr = vars(cls)[prop]
        assert isinstance(attr, property), (cls, prop)
        assert attr.__doc__ == doc, (cls, prop)
        assert attr.fset is not None, (cls, prop)
