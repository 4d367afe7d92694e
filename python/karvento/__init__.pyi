# SPDX-License-Identifier: Apache-2.0
# Types of the module karvento; the docstrings of karvento/__init__.py say
# what each function does, with an example.
from . import transform as transform
from typing import Any, Callable, Iterator, Optional, Sequence, TypedDict, Union

import numpy as np
import numpy.typing as npt

ArrayLike = npt.ArrayLike
Scale = Union[int, str]
Meridian = Union[float, str, None]

class Error(ValueError): ...
class Cancelled(Error): ...

class Checked(TypedDict, total=False):
    number: str
    standard: Optional[str]
    west: float
    south: float
    east: float
    north: float
    error: Optional[str]

class Sheet(TypedDict, total=False):
    number: str
    west: float
    south: float
    east: float
    north: float
    corners: list[tuple[float, float]]
    source: str
    place: str

def at(lon: ArrayLike, lat: ArrayLike, scale: Scale = ..., standard: str = ...) -> npt.NDArray[np.str_]: ...
def check(numbers: Union[str, Sequence[str]]) -> list[Checked]: ...
def convert(numbers: Union[str, Sequence[str]], to_scale: Scale = ..., direction: str = ..., datum: str = ...,
            zone: int = ..., cm: Meridian = ...) -> list[Sheet]: ...
def neighbours(number: str, datum: str = ..., zone: int = ..., cm: Meridian = ...) -> list[Optional[Sheet]]: ...
def project(lon: ArrayLike, lat: ArrayLike, datum: str = ..., zone: int = ...,
            cm: Meridian = ...) -> tuple[npt.NDArray[np.float64], npt.NDArray[np.float64]]: ...
def inverse(x: ArrayLike, y: ArrayLike, datum: str = ..., zone: int = ...,
            cm: Meridian = ...) -> tuple[npt.NDArray[np.float64], npt.NDArray[np.float64]]: ...

class Sheets:
    def __iter__(self) -> Iterator[Sheet]: ...
    def to_numpy(self) -> npt.NDArray[np.void]: ...
    def write(self, path: str, format: Optional[str] = ...,
              progress: Optional[Callable[[int, int], Optional[bool]]] = ..., **options: Any) -> None: ...
    def to_geopandas(self) -> Any: ...

def write(sheets: Sheets, path: str, format: Optional[str] = ..., **options: Any) -> None: ...
def frame(number: Union[str, Sequence[str], None], path: str, format: Optional[str] = ..., datum: str = ...,
          zone: Optional[int] = ..., cm: Meridian = ..., **options: Any) -> None: ...

def sheets(extent: Optional[Sequence[Union[float, str]]] = ..., polygon: Any = ..., aoi: Optional[str] = ...,
           scale: Scale = ..., standard: str = ..., datum: str = ..., zone: int = ..., cm: Meridian = ...,
           min_cover: float = ...) -> Sheets: ...

class Tagged(TypedDict):
    features: int
    rows: int
    outside: int
    empty: int
    notices: list[str]
    output: str

class Clipped(TypedDict):
    written: int
    empty: int
    resumed: int
    bytes: int
    summary: str
    cancelled: bool

def tag(layer: str, output: str, scale: Union[Scale, Sequence[Scale]], standard: str = ..., cover: bool = ...,
        explode: bool = ..., ascii_names: bool = ..., datum: Optional[str] = ..., zone: Optional[int] = ...,
        cm: Meridian = ..., transform: Optional[str] = ..., layer_name: Optional[str] = ...,
        progress: Optional[Callable[[int], Optional[bool]]] = ...) -> Tagged: ...
def clip(input: str, output: str, scale: Scale, standard: str = ..., datum: Optional[str] = ...,
         zone: Optional[int] = ..., cm: Meridian = ..., extent: Optional[Sequence[Union[float, str]]] = ...,
         aoi: Optional[str] = ..., aoi_layer: Optional[str] = ..., aoi_where: Optional[str] = ...,
         numbers: Union[str, Sequence[str], None] = ..., margin: Union[str, float, None] = ...,
         mask: Optional[str] = ..., keep_empty: bool = ..., s_srs: Optional[str] = ..., t_srs: Optional[str] = ...,
         resampling: Optional[str] = ..., resolution: Optional[float] = ..., layer: Optional[str] = ...,
         one_layer: bool = ..., layout: Optional[str] = ..., names: Optional[str] = ..., format: Optional[str] = ...,
         resume: bool = ..., workers: Optional[int] = ...,
         progress: Optional[Callable[[int, int, int], Optional[bool]]] = ...) -> Clipped: ...
