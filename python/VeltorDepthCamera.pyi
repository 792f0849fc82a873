"""Time-of-flight depth camera: camera object, controls and frames as NumPy arrays."""

from typing import Any, ClassVar, Dict, Optional

import numpy

__version__: str

class TofErrorCode:
    VeltorSuccess: ClassVar[TofErrorCode]
    VeltorInvalidParameter: ClassVar[TofErrorCode]
    VeltorNoCache: ClassVar[TofErrorCode]
    VeltorUnkownDevice: ClassVar[TofErrorCode]
    VeltorNotImplemented: ClassVar[TofErrorCode]
    VeltorNoPermission: ClassVar[TofErrorCode]
    VeltorSkipFrame: ClassVar[TofErrorCode]
    VeltorSystemError: ClassVar[TofErrorCode]
    VeltorUnkownError: ClassVar[TofErrorCode]
    __members__: ClassVar[Dict[str, TofErrorCode]]
    def __init__(self, value: int) -> None: ...
    def __int__(self) -> int: ...
    def __index__(self) -> int: ...
    @property
    def name(self) -> str: ...
    @property
    def value(self) -> int: ...
    def str(self) -> str: ...

class Connection:
    CSI: ClassVar[Connection]
    USB: ClassVar[Connection]
    __members__: ClassVar[Dict[str, Connection]]
    def __init__(self, value: int) -> None: ...
    def __int__(self) -> int: ...
    def __index__(self) -> int: ...
    @property
    def name(self) -> str: ...
    @property
    def value(self) -> int: ...

class DeviceType:
    VGA: ClassVar[DeviceType]
    HQVGA: ClassVar[DeviceType]
    __members__: ClassVar[Dict[str, DeviceType]]
    def __init__(self, value: int) -> None: ...
    def __int__(self) -> int: ...
    def __index__(self) -> int: ...
    @property
    def name(self) -> str: ...
    @property
    def value(self) -> int: ...

class FrameType:
    RAW: ClassVar[FrameType]
    DEPTH: ClassVar[FrameType]
    CONFIDENCE: ClassVar[FrameType]
    AMPLITUDE: ClassVar[FrameType]
    CACHE: ClassVar[FrameType]
    __members__: ClassVar[Dict[str, FrameType]]
    def __init__(self, value: int) -> None: ...
    def __int__(self) -> int: ...
    def __index__(self) -> int: ...
    @property
    def name(self) -> str: ...
    @property
    def value(self) -> int: ...

class Control:
    RANGE: ClassVar[Control]
    FMT_WIDTH: ClassVar[Control]
    FMT_HEIGHT: ClassVar[Control]
    MODE: ClassVar[Control]
    FRAME_MODE: ClassVar[Control]
    EXPOSURE: ClassVar[Control]
    FRAME_RATE: ClassVar[Control]
    SKIP_FRAME: ClassVar[Control]
    SKIP_FRAME_LOOP: ClassVar[Control]
    AUTO_FRAME_RATE: ClassVar[Control]
    INTRINSIC_FX: ClassVar[Control]
    INTRINSIC_FY: ClassVar[Control]
    INTRINSIC_CX: ClassVar[Control]
    INTRINSIC_CY: ClassVar[Control]
    DENOISE: ClassVar[Control]
    HFLIP: ClassVar[Control]
    VFLIP: ClassVar[Control]
    CONFIG_DIR_EXT: ClassVar[Control]
    LOAD_CALI_DATA: ClassVar[Control]
    SAVE_CALI_DATA: ClassVar[Control]
    I2C_BY_PASS: ClassVar[Control]
    I2C_BUS_NUM: ClassVar[Control]
    __members__: ClassVar[Dict[str, Control]]
    def __init__(self, value: int) -> None: ...
    def __int__(self) -> int: ...
    def __index__(self) -> int: ...
    @property
    def name(self) -> str: ...
    @property
    def value(self) -> int: ...

class TofWorkMode:
    SINGLE_FREQ: ClassVar[TofWorkMode]
    DOUBLE_FREQ: ClassVar[TofWorkMode]
    TRIPLE_FREQ: ClassVar[TofWorkMode]
    QUAD_FREQ: ClassVar[TofWorkMode]
    DISTANCE: ClassVar[TofWorkMode]
    HDR: ClassVar[TofWorkMode]
    AE: ClassVar[TofWorkMode]
    BG_OUTDOOR: ClassVar[TofWorkMode]
    GRAY_ONLY: ClassVar[TofWorkMode]
    CUSTOM1: ClassVar[TofWorkMode]
    CUSTOM2: ClassVar[TofWorkMode]
    CUSTOM3: ClassVar[TofWorkMode]
    __members__: ClassVar[Dict[str, TofWorkMode]]
    def __init__(self, value: int) -> None: ...
    def __int__(self) -> int: ...
    def __index__(self) -> int: ...
    @property
    def name(self) -> str: ...
    @property
    def value(self) -> int: ...

class TofFrameWorkMode:
    SINGLE_FREQ_2PHASE: ClassVar[TofFrameWorkMode]
    SINGLE_FREQ_4PHASE: ClassVar[TofFrameWorkMode]
    SINGLE_FREQ_4PHASE_GRAY: ClassVar[TofFrameWorkMode]
    SINGLE_FREQ_4PHASE_BG: ClassVar[TofFrameWorkMode]
    SINGLE_FREQ_4PHASE_4BG: ClassVar[TofFrameWorkMode]
    SINGLE_FREQ_4PHASE_GRAY_5BG: ClassVar[TofFrameWorkMode]
    SINGLE_FREQ_GRAY_BG_4PHASE_GRAY_BG: ClassVar[TofFrameWorkMode]
    SINGLE_FREQ_GRAY_BG_4PHASE_BG: ClassVar[TofFrameWorkMode]
    SINGLE_FREQ_BG_GRAY_BG_4PHASE: ClassVar[TofFrameWorkMode]
    SINGLE_FREQ_BG_4PHASE_BG_GRAY: ClassVar[TofFrameWorkMode]
    DOUBLE_FREQ_4PHASE: ClassVar[TofFrameWorkMode]
    DOUBLE_FREQ_4PHASE_GRAY_4PHASE_BG: ClassVar[TofFrameWorkMode]
    DOUBLE_FREQ_4PHASE_4BG: ClassVar[TofFrameWorkMode]
    DOUBLE_FREQ_4PHASE_GRAY_5BG: ClassVar[TofFrameWorkMode]
    TRIPLE_FREQ_4PHASE: ClassVar[TofFrameWorkMode]
    TRIPLE_FREQ_4PHASE_GRAY_4PHASE_GRAY_4PHASE_BG: ClassVar[TofFrameWorkMode]
    QUAD_FREQ_4PHASE: ClassVar[TofFrameWorkMode]
    QUAD_FREQ_4PHASE_GRAY_4PHASE_BG_4PHASE_GRAY_4PHASE_BG: ClassVar[TofFrameWorkMode]
    BG_OUTDOOR: ClassVar[TofFrameWorkMode]
    GRAY_ONLY: ClassVar[TofFrameWorkMode]
    CUSTOM: ClassVar[TofFrameWorkMode]
    __members__: ClassVar[Dict[str, TofFrameWorkMode]]
    def __init__(self, value: int) -> None: ...
    def __int__(self) -> int: ...
    def __index__(self) -> int: ...
    @property
    def name(self) -> str: ...
    @property
    def value(self) -> int: ...

class FrameFormat:
    """Geometry of one image. No Python constructor: instances come from frames."""
    width: int
    height: int
    type: FrameType
    timestamp: int

class CameraInfo:
    """Description of an opened camera (a copy). No Python constructor."""
    index: int
    connect: Connection
    device_type: DeviceType
    type: FrameType
    width: int
    height: int
    bit_width: int
    bpp: int

class Frame:
    """A frame borrowed from the camera until releaseFrame. Setters are accepted and ignored."""
    @property
    def data(self) -> Dict[str, numpy.ndarray]: ...
    @data.setter
    def data(self, value: Any) -> None: ...
    @property
    def format(self) -> FrameFormat: ...
    @format.setter
    def format(self, value: Any) -> None: ...

class RawData(Frame):
    @property
    def data(self) -> Dict[str, numpy.ndarray]:
        """{"raw": int16 array of shape (height, width)}"""
    @data.setter
    def data(self, value: Any) -> None: ...
    @property
    def raw_data(self) -> numpy.ndarray:
        """int16 array of shape (height, width), a copy."""
    @raw_data.setter
    def raw_data(self, value: Any) -> None: ...

class DepthData(Frame):
    @property
    def data(self) -> Dict[str, numpy.ndarray]:
        """{"depth", "confidence", "amplitude"}: float32 arrays of shape (height, width)."""
    @data.setter
    def data(self, value: Any) -> None: ...
    @property
    def depth_data(self) -> numpy.ndarray:
        """float32 depth in millimetres, shape (height, width), a copy."""
    @depth_data.setter
    def depth_data(self, value: Any) -> None: ...
    @property
    def confidence_data(self) -> numpy.ndarray: ...
    @confidence_data.setter
    def confidence_data(self, value: Any) -> None: ...
    @property
    def amplitude_data(self) -> numpy.ndarray: ...
    @amplitude_data.setter
    def amplitude_data(self, value: Any) -> None: ...

class VeltorCamera:
    def __init__(self) -> None: ...
    def open(self, mode: Connection, index: int = 0) -> TofErrorCode: ...
    def openWithFile(self, path: str, index: int = 0) -> TofErrorCode: ...
    def close(self) -> TofErrorCode: ...
    def start(self, type: FrameType) -> TofErrorCode: ...
    def stop(self) -> TofErrorCode: ...
    def getCameraID(self) -> str: ...
    def setControl(self, ctrl: Control, value: int) -> TofErrorCode: ...
    def getControl(self, ctrl: Control) -> int: ...
    def getCameraInfo(self) -> CameraInfo: ...
    def requestFrame(self, timeout: int) -> Optional[Frame]:
        """RawData or DepthData, or None on time-out (timeout: -32768..32767 ms, negative waits)."""
    def releaseFrame(self, frame: Optional[Frame]) -> TofErrorCode: ...
