"""plaxen from Python: plaxen's exact gridding engine on numpy arrays.

Scattered readings (x, y, value) are gridded as plaxen-grid grids the records of a data
file -- the mean of the first 20 readings at each nearest node, one node step of range
fill, relaxation with tension 3 -- onto a grid of any size, on every core, with the same
result bit for bit. Grids come back as xarray DataArrays of dims ("y", "x") whose
coordinates are the node positions plaxen-export writes and whose attributes are what
plaxen-grid reports.

    >>> import plaxen
    >>> x, y, z, limits = plaxen.load("points.dat")          # doctest: +SKIP
    >>> g = plaxen.grid(x, y, z, 61, 41)                    # doctest: +SKIP
    >>> g.attrs["defined_nodes"]                            # doctest: +SKIP
    2333
    >>> g.to_netcdf("points.nc")                             # doctest: +SKIP

Functions:
    load(path, columns=(1, 2, 3), skip_lines=0)   the records of a data file
    grid(x, y, z, nx, ny, ...)                    readings gridded into a DataArray
    residuals(grid, x, y, z)                      how well a grid honours each reading
    read_grid(path, nx, ny, data=...)             a grid file of plaxen as a DataArray

A refused argument, reading or file raises ValueError (TypeError for an argument of the
wrong type) with one line saying why (the same line plaxen-grid and plaxen-info give);
nothing is printed. The engine runs without the GIL on `threads` threads, every core by
default, and its results never depend on their number. xarray is needed only by the
functions that return DataArrays.
"""
import collections
import operator
import os

import numpy as np

from . import _core

__all__ = ["load", "grid", "residuals", "read_grid"]

Limits = collections.namedtuple("Limits", "xmin xmax ymin ymax")
Limits.__doc__ = """The data limits as plaxen tracks them while it reads the records."""

Records = collections.namedtuple("Records", "x y z limits")
Records.__doc__ = """The records of a data file: x, y and z (float32 arrays) and their Limits."""

_LARGEST_COUNT = 2**31 - 1


def load(path, columns=(1, 2, 3), skip_lines=0, *, threads=None):
    r"""Reads every record of the data file `path` exactly as plaxen reads it.

    The records are read by plaxen's list-directed rules (blanks, tabs or commas between
    numbers; a record may continue on the next lines; 2.5e3, 2.5d3 and 2.5+3 read as
    numbers; an empty x or y between two commas keeps the previous record's x or y, an
    empty value reads 0), each number rounded once to single precision, on `threads`
    threads.

    path        the data file (a str, bytes or path-like name)
    columns     the fields of a record that hold x, y and the value, from 1 to 64
                (plaxen-grid --columns)
    skip_lines  header lines to skip before the records (plaxen-grid --skip-lines)
    threads     threads to read on, 1 to 4096; by default every core the process may use

    Returns Records(x, y, z, limits): three float32 arrays, one element a record in file
    order, and Limits(xmin, xmax, ymin, ymax) as plaxen tracks them (for a file without
    records, plaxen's starting values: xmin and ymin 1.0e35, xmax and ymax -1.0e35, as
    single reals). Raises ValueError with the one line plaxen-info gives for a file it
    cannot read, as
    'bad.dat: line 57: invalid number in record 57: "x521000.000 4632315.654 -121.5966"'
    or 'nofile.dat: No such file or directory'; MemoryError when the records do not fit.

    >>> import pathlib, tempfile, plaxen
    >>> folder = tempfile.TemporaryDirectory()
    >>> path = pathlib.Path(folder.name, "corners.dat")
    >>> _ = path.write_text("0 0 1\n10 0 2\n0,5,3\n10 5\n4.5d0\n")
    >>> x, y, z, limits = plaxen.load(path)
    >>> z
    array([1. , 2. , 3. , 4.5], dtype=float32)
    >>> limits
    Limits(xmin=0.0, xmax=10.0, ymin=0.0, ymax=5.0)
    >>> folder.cleanup()
    """
    columns = tuple(operator.index(c) for c in columns)
    if len(columns) != 3 or len(set(columns)) != 3 or not all(1 <= c <= 64 for c in columns):
        raise ValueError("columns takes three different field numbers from 1 to 64 (x, y, "
                         f"value), not {columns}")
    skip_lines = operator.index(skip_lines)
    if skip_lines < 0:
        raise ValueError(f"skip_lines takes a number of lines, 0 or more, not {skip_lines}")
    x, y, z, limits = _core.load(_file_name(path), columns, skip_lines, _threads(threads))
    return Records(x, y, z, Limits(*limits))


def grid(x, y, z, nx=None, ny=None, *, spacing=None, region=None, threads=None, counts=False):
    """Grids the readings (x[k], y[k], z[k]) as plaxen-grid grids the records of a file.

    x, y, z   the readings: arrays of one length (of any shape, taken flat) of float32,
              float64 or anything numpy converts to numbers. A float64 is rounded once to
              float32 (to nearest), as plaxen rounds the numbers it reads; float32 arrays
              that are contiguous are used where they lie, not copied. x and y must be
              finite, and no value NaN.
    nx, ny    nodes along x and y, at least 2 each, laid as plaxen lays them over the data
              limits: dx = (xmax - xmin)/(nx - 1) in single precision (plaxen-grid -n).
    spacing   the node spacing instead of nx, ny: dx, or (dx, dy); nx = round((xmax -
              xmin)/dx) + 1, the grid starting at xmin (plaxen-grid -I).
    region    (xmin, xmax, ymin, ymax): the area to grid instead of the data limits
              (plaxen-grid -R).
    threads   threads to use, 1 to 4096; by default every core the process may use.
    counts    also return the number of readings that fell on each node.

    Returns an xarray.DataArray named "z" of float32 values, dims ("y", "x"), row 0 the
    nodes of y = ymin, NaN at undefined nodes. As in plaxen's grid file and plaxen-export's
    rasters, a defined node whose value is exactly -999.0 cannot be told from an undefined
    one: it is NaN too. With counts=True, returns (grid, counts), counts a uint32 DataArray
    named "counts" of the same dims and coordinates.

    Coordinates x and y (float64) are the node positions xmin + i*dx and ymin + j*dy from
    plaxen's single-precision geometry, exactly as plaxen-export writes them, with CF
    attributes: DataArray.to_netcdf() writes a file GDAL and GMT place exactly.
    Attributes (plaxen-grid's report): xmin, ymin, xmax, ymax, dx, dy (the geometry's
    single reals), records, value_min, value_max, data_nodes, defined_nodes,
    undefined_nodes, dropped_readings (beyond the first 20 on a node), outside_readings
    (outside the grid), sweeps, residual_count and, when it is above 0, residual_mean,
    residual_rms, residual_largest and residual_largest_index (its reading, from 0).

    The values are the engine's own memory, handed to numpy without a copy: they lie
    column by column (a Fortran-ordered array). Raises ValueError with one line for
    readings of different lengths, a coordinate that is not finite, a value that is NaN,
    no readings, fewer than 2 nodes along an axis, values that span 1.0e32 or more, a grid
    that does not fit in memory ('a grid of 50000 x 50000 nodes needs 10.3 GB of memory;
    3.2 GB are available'); ImportError when xarray is missing.

    >>> import plaxen
    >>> g = plaxen.grid([0, 10, 0, 10], [0, 0, 5, 5], [1, 2, 3, 4], 11, 6)
    >>> g.shape, g.attrs["dx"], g.attrs["data_nodes"], g.attrs["defined_nodes"]
    ((6, 11), 1.0, 4, 12)
    >>> g.sel(x=10, y=5).item(), g.sel(x=5, y=0).item()
    (4.0, nan)
    """
    columns = _readings(x, y, z)
    if spacing is None and (nx is None or ny is None) or spacing is not None and (
            nx is not None or ny is not None):
        raise ValueError("give the grid either as nx, ny or as spacing")
    size = None if spacing is not None else (_axis("nx", nx), _axis("ny", ny))
    steps = None if spacing is None else _pair("spacing", spacing)
    if region is not None:
        region = tuple(float(v) for v in region)
        if len(region) != 4:
            raise ValueError("region takes four numbers, (xmin, xmax, ymin, ymax)")
    xarray = _xarray("grid")
    values, node_counts, xs, ys, attrs = _core.grid(*columns, size, steps, region,
                                                   _threads(threads), bool(counts))
    result = _data_array(xarray, values, xs, ys, attrs, "z")
    if not counts:
        return result
    readings = {"long_name": "readings that fell on the node"}
    return result, _data_array(xarray, node_counts, xs, ys, readings, "counts")


def residuals(grid, x, y, z, *, threads=None):
    """How well `grid` honours each reading, as plaxen-grid's --residuals file gives it.

    grid      a DataArray of plaxen.grid or plaxen.read_grid: its values and the geometry
              of its attributes xmin, ymin, dx and dy
    x, y, z   the readings, taken as plaxen.grid takes them

    Returns a float64 array, one element a reading: the grid's bilinear interpolation at
    (x, y) minus the value, in double precision, from the nodes' positions as plaxen-export
    places them; NaN where the reading lies outside the nodes or beside an undefined node.
    The grid's residual_mean and residual_rms are the mean and root mean square of the
    elements that are not NaN (summed in plaxen-grid's order). Raises ValueError as
    plaxen.grid does for the readings, and for a grid without plaxen's attributes or whose
    coordinates are not the nodes they place (a part of a grid).

    >>> import plaxen
    >>> x, y, z = [0, 10, 0, 10, 5, 6], [0, 0, 5, 5, 2.5, 2.5], [1, 2, 3, 4, 2, 3]
    >>> g = plaxen.grid(x, y, z, 3, 3)
    >>> plaxen.residuals(g, x, y, z).round(3), g.attrs["residual_largest_index"]
    (array([ 0.   ,  0.   ,  0.   ,  0.   ,  0.5  , -0.407]), 4)
    """
    try:
        placement = [float(grid.attrs[name]) for name in ("xmin", "ymin", "dx", "dy")]
        grid = grid.transpose("y", "x")
        values = np.asarray(grid.values, dtype=np.float32)
        xs, ys = grid.x.values, grid.y.values
    except (AttributeError, KeyError, TypeError, ValueError) as e:
        raise ValueError("grid must be a DataArray of plaxen.grid or plaxen.read_grid, with "
                         f"dims y and x and the attributes xmin, ymin, dx and dy ({e!r})") from None
    # The nodes are placed by the attributes: a part of a grid, or a grid turned over, is not.
    xmin, ymin, dx, dy = placement
    if not (np.array_equal(xs, xmin + np.arange(len(xs)) * dx) and
            np.array_equal(ys, ymin + np.arange(len(ys)) * dy)):
        raise ValueError("grid's coordinates are not the nodes its attributes place; give the "
                         "whole grid, as plaxen made it")
    if not (values.flags.c_contiguous or values.flags.f_contiguous):
        values = np.ascontiguousarray(values)
    return _core.residuals(values, placement, *_readings(x, y, z), _threads(threads))


def read_grid(path, nx, ny, *, data):
    """Reads a grid file of plaxen back as the DataArray plaxen.grid would give.

    path    the grid file plaxen wrote for nx by ny nodes: ny rows of nx values, the row
            of y = ymin first (rows of more than 3000 values over several lines)
    nx, ny  the node counts plaxen was given
    data    the data file plaxen gridded: its records, read again by plaxen's own loader
            (the first 1,000,000, as plaxen takes them), give the geometry, as
            plaxen-export takes it

    Returns a DataArray named "z" like plaxen.grid's, NaN at undefined nodes (-999.0 in
    the file), with the geometry attributes and records; there are no counts nor
    residual sums. Raises ValueError with plaxen-export's line for a problem with either
    file ('points.grd: line 3 holds 60 values where a grid of 61 x 41 nodes has 61').

    >>> import pathlib, tempfile, plaxen
    >>> folder = tempfile.TemporaryDirectory()
    >>> data, grid_file = (pathlib.Path(folder.name, name) for name in ("d.dat", "g.grd"))
    >>> _ = data.write_text("0 0 1\\n10 0 2\\n0 5 3\\n10 5 4\\n")
    >>> _ = grid_file.write_text("1 2 3\\n4 5 -999\\n")
    >>> g = plaxen.read_grid(grid_file, 3, 2, data=data)
    >>> g.x.values, g.y.values, g.values[1]
    (array([ 0.,  5., 10.]), array([0., 5.]), array([ 4.,  5., nan], dtype=float32))
    >>> folder.cleanup()
    """
    xarray = _xarray("read_grid")
    size = _axis("nx", nx), _axis("ny", ny)
    values, xs, ys, attrs = _core.read_grid(_file_name(path), *size, _file_name(data))
    return _data_array(xarray, values, xs, ys, attrs, "z")


def _xarray(function):
    try:
        import xarray
    except ImportError as e:
        raise ImportError(f"plaxen.{function} returns an xarray.DataArray and needs the package "
                          "xarray (Debian: python3-xarray; pip: xarray)") from e
    return xarray


def _data_array(xarray, values, xs, ys, attrs, name):
    """The grid as a DataArray, its coordinates with the CF attributes of plaxen-export's."""
    def axis(dim, positions):
        cf = {"long_name": dim, "standard_name": f"projection_{dim}_coordinate",
              "axis": dim.upper()}
        # A coordinate has no missing positions: no _FillValue on it in netCDF files.
        return xarray.Variable(dim, positions, cf, encoding={"_FillValue": None})
    return xarray.DataArray(values, coords={"x": axis("x", xs), "y": axis("y", ys)},
                            dims=("y", "x"), name=name, attrs=attrs)


def _readings(x, y, z):
    """x, y and z flat and contiguous, float32 or float64 as given, else float32."""
    columns = []
    for name, given in (("x", x), ("y", y), ("z", z)):
        a = np.asarray(given)
        if a.dtype != np.float32 and a.dtype != np.float64:
            if a.dtype.kind not in "biuf":
                raise ValueError(f"{name} must hold real numbers, not {a.dtype}")
            a = a.astype(np.float32)
        columns.append(np.ascontiguousarray(a.reshape(-1)))
    if not len(columns[0]) == len(columns[1]) == len(columns[2]):
        raise ValueError("x, y and z must have one length, not " +
                         ", ".join(str(len(c)) for c in columns[:2]) + f" and {len(columns[2])}")
    return columns


def _axis(name, count):
    count = operator.index(count)
    if count > _LARGEST_COUNT:
        raise ValueError(f"{name} = {count} is more than the {_LARGEST_COUNT} nodes a grid can "
                         "have along an axis")
    # Below 2 the engine's own refusal names the problem; any such count says the same.
    return max(count, 0)


def _pair(name, value):
    pair = (value, value) if np.ndim(value) == 0 else tuple(value)
    if len(pair) != 2:
        raise ValueError(f"{name} takes one number or two, (dx, dy)")
    return tuple(float(v) for v in pair)


def _threads(threads):
    if threads is None:
        return _core.available_cores()
    threads = operator.index(threads)
    if not 1 <= threads <= 4096:
        raise ValueError(f"threads takes a number of threads from 1 to 4096, not {threads}")
    return threads


def _file_name(path):
    return os.fsencode(os.fspath(path))
