// Geographic longitude and latitude to local plane kilometres about a fixed origin.
#pragma once

namespace plaxen {

// Converts lon and lat (degrees) into x and y (km) about the origin 70.75 W, 41.5 N by the
// local equirectangular approximation on a sphere of radius 6367.5 km: the longitude
// difference is scaled by the cosine of the point's own latitude. The result then passes a
// rotation-and-shift stage (angle 0, offsets 0), which returns the point up to single
// rounding. Every step is formed in double precision and rounded to a single real where it
// is stored.
//
// Retained state: a first-call flag; the first call sets the constants, which hold for the
// rest of the run. No other effect; never fails, never allocates.
void transform(float lon, float lat, float& x, float& y);

}  // namespace plaxen
