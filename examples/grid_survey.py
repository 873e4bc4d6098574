# plaxen from Python: the example survey gridded as plaxen grids it, drawn with matplotlib
# and written as netCDF. Run it in a folder that holds points.dat.
import matplotlib.pyplot as plt
import plaxen

x, y, z, limits = plaxen.load("points.dat")        # float32 arrays, as plaxen reads them
grid = plaxen.grid(x, y, z, 61, 41)                 # an xarray.DataArray, dims ("y", "x")
a = grid.attrs
print(f"{a['records']} readings onto {grid.x.size} x {grid.y.size} nodes of {a['dx']:g} x "
      f"{a['dy']:g}: {a['data_nodes']} with data, {a['defined_nodes']} defined, "
      f"residual rms {a['residual_rms']:.4f}")

grid.plot(cmap="viridis")                           # each cell centred on its node
plt.scatter(x, y, s=0.2, c="k")
plt.gca().set_aspect("equal")
plt.ticklabel_format(style="plain", useOffset=False)
plt.title("points.dat on 61 x 41 nodes")
plt.savefig("points-python.png", dpi=120, bbox_inches="tight")
grid.to_netcdf("points-python.nc")                  # placed exactly by GDAL and GMT
