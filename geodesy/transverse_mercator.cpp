// SPDX-License-Identifier: Apache-2.0
#include "geodesy/transverse_mercator.h"

#include <cmath>
#include <limits>

namespace karvento {

namespace {

// Horner's rule for c[0] + c[1]·x + … + c[k−1]·x^(k−1).
template <int k>
double Poly(const double (&c)[k], double x) {
  double r = c[k - 1];
  for (int i = k - 2; i >= 0; --i) r = r * x + c[i];
  return r;
}

constexpr double kRadToDeg = 180.0 / kPi;
// The series work in radians rounded once from degrees; the legacy series'
// long-double DegToRad would buy nothing here at twice the cost.
constexpr double kDegToRad = kPi / 180.0;

// σ = sinh(e·atanh(e·s)) for |e·s| ≤ 0.1, as two short power series (the
// library's atanh and sinh cost more than the whole Krüger sum): atanh to
// u¹⁷ leaves (0.1)¹⁸ ≈ 1e-18 relative, sinh of y ≤ 0.01 to y⁷ leaves 1e-21.
double SinhEAtanhE(double e, double s) {
  const double u = e * s, u2 = u * u;
  double a = 1.0 / 17;
  for (int k = 15; k >= 1; k -= 2) a = a * u2 + 1.0 / k;
  const double y = e * (u * a), y2 = y * y;
  return y * (1 + y2 * (1.0 / 6 + y2 * (1.0 / 120 + y2 * (1.0 / 5040))));
}

double Sigma(double e, double s) {
  return std::abs(e * s) <= 0.1 ? SinhEAtanhE(e, s) : std::sinh(e * std::atanh(e * s));
}

// tan of the conformal latitude from sin and cos of the geodetic one (Karney
// 2011, eqs. 7–9): τ′ = τ√(1 + σ²) − σ√(1 + τ²), σ = sinh(e·atanh(e·sin φ)),
// here with √(1 + τ²) = 1/cos φ. The difference of two near-equal products is
// harmless: each is exact to an ulp, and τ′ is wanted to an ulp of itself.
double TaupOf(double sphi, double cphi, double e) {
  const double sig = Sigma(e, sphi);
  return (std::sqrt(1 + sig * sig) * sphi - sig) / cphi;
}

double Taupf(double tau, double e) {
  const double tau1 = std::sqrt(1 + tau * tau);
  const double sig = Sigma(e, tau / tau1);
  return std::sqrt(1 + sig * sig) * tau - sig * tau1;
}

// asinh x for |x| ≤ 0.1 by its power series to x¹⁵ (the next term is below
// 1e-18 relative), otherwise the library's.
double Asinh(double x) {
  const double t = x * x;
  if (!(t <= 0.01)) return std::asinh(x);
  // (−1)^k (2k)! / (4^k (k!)² (2k + 1)), k = 0..7.
  constexpr double c[] = {1.0, -1.0 / 6, 3.0 / 40, -15.0 / 336, 105.0 / 3456, -945.0 / 42240,
                          10395.0 / 599040, -135135.0 / 9676800};
  // Estrin's scheme: four independent pairs, then t², then t⁴.
  const double t2 = t * t, t4 = t2 * t2;
  const double p01 = c[0] + c[1] * t, p23 = c[2] + c[3] * t;
  const double p45 = c[4] + c[5] * t, p67 = c[6] + c[7] * t;
  return x * ((p01 + p23 * t2) + (p45 + p67 * t2) * t4);
}

// The inverse of Taupf by Newton's method, from τ = τ′ / (1 − e²), which is
// right to O(e²); each step squares the error, so two reach full precision
// below 85° and five are never needed.
double Tauf(double taup, double e, double e2) {
  const double e2m = 1 - e2;
  // √ε/10: once a step is this small the next one is below rounding.
  const double tol = 1.4901161193847656e-9 * (std::abs(taup) > 1 ? std::abs(taup) : 1.0);
  double tau = taup / e2m;
  for (int i = 0; i < 5; ++i) {
    const double taupa = Taupf(tau, e);
    const double dtau = (taup - taupa) * (1 + e2m * tau * tau) /
                        (e2m * std::sqrt(1 + tau * tau) * std::sqrt(1 + taupa * taupa));
    tau += dtau;
    if (!(std::abs(dtau) >= tol)) break;
  }
  return tau;
}

// The complex numbers of the series, spelled out: the library's complex type
// guards against overflow in every product and costs twice as much.
struct Cx {
  double re, im;
};
Cx Mul(Cx a, Cx b) { return {a.re * b.re - a.im * b.im, a.re * b.im + a.im * b.re}; }

// Clenshaw's sum of c[j]·sin(jθ), j = 1..6, with m = 2 cos θ and s = sin θ
// complex; when deriv, also Σ c′[j]·cos(jθ) with c′[j] = j·c[j], returned as
// *d (for the scale and convergence).
Cx ClenshawSin(const double* c, Cx m, Cx s, Cx* d = nullptr, Cx cosTheta = {0, 0}) {
  Cx b1{0, 0}, b2{0, 0}, d1{0, 0}, d2{0, 0};
  for (int j = 6; j >= 1; --j) {
    const Cx mb = Mul(m, b1);
    const Cx b0{c[j] + mb.re - b2.re, mb.im - b2.im};
    b2 = b1;
    b1 = b0;
    if (d) {
      const Cx md = Mul(m, d1);
      const Cx d0{j * c[j] + md.re - d2.re, md.im - d2.im};
      d2 = d1;
      d1 = d0;
    }
  }
  if (d) {
    const Cx dc = Mul(d1, cosTheta);
    *d = {dc.re - d2.re, dc.im - d2.im};
  }
  return Mul(b1, s);
}

// Σ c[j]·sin(jθ), j = 1..6, for complex θ from cos θ and sin θ, as
// (P(E) − P(1/E)) / 2i with E = e^(iθ) = cos θ + i sin θ and P(z) = Σ c[j] z^j,
// each polynomial by Estrin's scheme and the two side by side: half the
// dependent steps of Clenshaw's recurrence, which is what the sheet walk
// waits for. |E^6| stays below 3 within 10° of the central meridian, so
// nothing cancels that the recurrence would keep.
Cx SinSeries(const double* c, Cx cosT, Cx sinT) {
  // i·s = (−s.im, s.re).
  const Cx E{cosT.re - sinT.im, cosT.im + sinT.re};
  const Cx F{cosT.re + sinT.im, cosT.im - sinT.re};  // 1/E
  const auto poly = [c](Cx z) {
    const Cx z2 = Mul(z, z);
    const Cx z4 = Mul(z2, z2);
    const Cx p12{c[1] + c[2] * z.re, c[2] * z.im};
    const Cx p34{c[3] + c[4] * z.re, c[4] * z.im};
    const Cx p56{c[5] + c[6] * z.re, c[6] * z.im};
    const Cx a = Mul(z2, p34), b = Mul(z4, p56);
    return Mul(z, Cx{p12.re + a.re + b.re, p12.im + a.im + b.im});
  };
  const Cx pe = poly(E), pf = poly(F);
  // (pe − pf) / 2i = (pe − pf)·(−i/2).
  return {(pe.im - pf.im) / 2, -(pe.re - pf.re) / 2};
}

// sin and cos of 2ξ′ and sinh, cosh of 2η′ from the half-angle values, with no
// further call of the library. For the forward projection sin ξ′ = τ′/r,
// cos ξ′ = cos λ/r, sinh η′ = sin λ/r, cosh η′ = sec χ/r, with r² = τ′² +
// cos²λ; the common factor 1/r² is passed as inv.
struct DoubleAngles {
  Cx m;  // 2 cos 2ζ′
  Cx s;  // sin 2ζ′
  Cx c;  // cos 2ζ′
};
DoubleAngles FromHalf(double sx, double cx, double shy, double chy, double inv = 1) {
  const double s2 = 2 * sx * cx * inv, c2 = (cx - sx) * (cx + sx) * inv;
  const double sh2 = 2 * shy * chy * inv, ch2 = (chy * chy + shy * shy) * inv;
  // cos(a + ib) = cos a cosh b − i sin a sinh b; sin(a + ib) = sin a cosh b + i cos a sinh b.
  const Cx c{c2 * ch2, -s2 * sh2};
  return {{2 * c.re, 2 * c.im}, {s2 * ch2, c2 * sh2}, c};
}

// atan d for |d| ≤ 0.01 by its power series to d⁹ (the next term is below
// 1e-20 relative), otherwise the library's.
double AtanSmall(double d) {
  const double t = d * d;
  if (!(t <= 1e-4)) return std::atan(d);
  return d * (1 + t * (-1.0 / 3 + t * (1.0 / 5 + t * (-1.0 / 7 + t * (1.0 / 9)))));
}

}  // namespace

KrugerEllipsoid MakeKrugerEllipsoid(double a, double f) {
  KrugerEllipsoid k{};
  k.a = a;
  k.f = f;
  k.e2 = f * (2 - f);
  k.e = std::sqrt(k.e2);
  const double n = f / (2 - f);
  k.n = n;
  const double n2 = n * n;
  k.A = a / (1 + n) * (1 + n2 * (1.0 / 4 + n2 * (1.0 / 64 + n2 / 256)));
  // Krüger's coefficients to n⁶ (Karney 2011, eqs. 35 and 36): each row is
  // the coefficient of n^j … n^6 of alpha[j] or beta[j].
  const double alpha[6][6] = {
      {1.0 / 2, -2.0 / 3, 5.0 / 16, 41.0 / 180, -127.0 / 288, 7891.0 / 37800},
      {13.0 / 48, -3.0 / 5, 557.0 / 1440, 281.0 / 630, -1983433.0 / 1935360, 0},
      {61.0 / 240, -103.0 / 140, 15061.0 / 26880, 167603.0 / 181440, 0, 0},
      {49561.0 / 161280, -179.0 / 168, 6601661.0 / 7257600, 0, 0, 0},
      {34729.0 / 80640, -3418889.0 / 1995840, 0, 0, 0, 0},
      {212378941.0 / 319334400, 0, 0, 0, 0, 0}};
  const double beta[6][6] = {
      {1.0 / 2, -2.0 / 3, 37.0 / 96, -1.0 / 360, -81.0 / 512, 96199.0 / 604800},
      {1.0 / 48, 1.0 / 15, -437.0 / 1440, 46.0 / 105, -1118711.0 / 3870720, 0},
      {17.0 / 480, -37.0 / 840, -209.0 / 4480, 5569.0 / 90720, 0, 0},
      {4397.0 / 161280, -11.0 / 504, -830251.0 / 7257600, 0, 0, 0},
      {4583.0 / 161280, -108847.0 / 3991680, 0, 0, 0, 0},
      {20648693.0 / 638668800, 0, 0, 0, 0, 0}};
  k.alpha[0] = k.beta[0] = 0;
  double nj = 1;
  for (int j = 1; j <= 6; ++j) {
    nj *= n;
    k.alpha[j] = nj * Poly(alpha[j - 1], n);
    k.beta[j] = nj * Poly(beta[j - 1], n);
  }
  return k;
}

const KrugerEllipsoid kCgcs2000 = MakeKrugerEllipsoid(6378137.0, 1 / 298.257222101);

KrugerLatitudeTerms KrugerLatitude(const KrugerEllipsoid& e, double lat) {
  // At a pole cos φ is 0, but the rounded φ leaves a cosine of 6e-17 whose
  // sign the correction below may flip: the pole is taken as it is.
  if (std::abs(lat) == 90) {
    const double inf = std::numeric_limits<double>::infinity();
    return {std::copysign(inf, lat), inf, std::copysign(kPi / 2, lat)};
  }
  // The latitude in radians as a rounded value and its rounding error: an
  // ulp of φ is an ulp of the northing (0.7 nm at 40°), so sin and cos are
  // carried to first order in the error.
  const long double phiLong = static_cast<long double>(lat) * kPiLong / 180;
  const double phi = static_cast<double>(phiLong);
  const double dphi = static_cast<double>(phiLong - phi);
  const double s0 = std::sin(phi), c0 = std::cos(phi);
  const double taup = TaupOf(s0 + c0 * dphi, c0 - s0 * dphi, e.e);
  return {taup, std::sqrt(1 + taup * taup), std::atan(taup)};
}

KrugerLatitudeTerms KrugerLatitudeOf(const TAngleDMS& latitude) {
  return KrugerLatitude(kCgcs2000, DmsToDeg(latitude));
}

KrugerMeridianTerms KrugerMeridian(double lon) {
  const double l = lon * kDegToRad;
  const double h = std::sin(l / 2);
  return {std::sin(l), std::cos(l), 2 * h * h, 0};
}

KrugerMeridianTerms KrugerMeridianOf(double L, const ZoneParams& z) {
  KrugerMeridianTerms m = KrugerMeridian(L - MeridianOfPoint(z, L));
  m.falseEasting = z.falseEasting;
  return m;
}

TmXY KrugerFromTerms(const KrugerEllipsoid& e, const KrugerLatitudeTerms& lt,
                     const KrugerMeridianTerms& mt) {
  // A pole: ξ′ = ±π/2 and η′ = 0, where every sin 2jξ′ of the series is 0.
  if (std::isinf(lt.taup)) return {0, std::copysign(e.A * (kPi / 2), lt.taup)};
  // ξ′ = atan2(τ′, cos λ), η′ = asinh(sin λ / r) (Karney 2011, eqs. 10–11).
  // Within 90° of the central meridian ξ′ = χ + atan(τ′(1 − cos λ) / (cos λ +
  // τ′²)), where χ belongs to the parallel and the small angle is a short
  // series: no call of the library per point.
  const double r2 = lt.taup * lt.taup + mt.cosl * mt.cosl;
  const double inv = 1 / r2;
  const double xip = mt.cosl > 0
                         ? lt.chi + AtanSmall(lt.taup * mt.vers / (mt.cosl + lt.taup * lt.taup))
                         : std::atan2(lt.taup, mt.cosl);
  const double etap = Asinh(mt.sinl * std::sqrt(inv));
  const DoubleAngles d = FromHalf(lt.taup, mt.cosl, mt.sinl, lt.secp, inv);
  const Cx sum = SinSeries(e.alpha, d.c, d.s);
  return {e.A * (etap + sum.im), e.A * (xip + sum.re)};
}

TmXY KrugerForward(const KrugerEllipsoid& e, double lat, double lon) {
  return KrugerFromTerms(e, KrugerLatitude(e, lat), KrugerMeridian(lon));
}

TPlanePoint ForwardFromTerms(const KrugerLatitudeTerms& lt, const KrugerMeridianTerms& mt) {
  const TmXY p = KrugerFromTerms(kCgcs2000, lt, mt);
  return {p.x + mt.falseEasting, p.y};
}

TmLatLon KrugerInverse(const KrugerEllipsoid& e, double x, double y) {
  const double xi = y / e.A, eta = x / e.A;
  const double ch = std::cosh(eta), sh = std::sinh(eta);
  const DoubleAngles d = FromHalf(std::sin(xi), std::cos(xi), sh, ch);
  const Cx sum = ClenshawSin(e.beta, d.m, d.s);
  const double xip = xi - sum.re, etap = eta - sum.im;
  // The conformal sphere to the ellipsoid (Karney 2011, eqs. 18–19).
  const double s = std::sin(xip), c = std::cos(xip), shp = std::sinh(etap);
  const double r = std::sqrt(shp * shp + c * c);
  const double taup = s / r;
  const double tau = Tauf(taup, e.e, e.e2);
  return {std::atan(tau) * kRadToDeg, std::atan2(shp, c) * kRadToDeg};
}

ScaleConvergence KrugerScaleConvergence(const KrugerEllipsoid& e, double lat, double lon) {
  if (std::abs(lat) == 90) return {1, lat > 0 ? lon : -lon};
  const KrugerLatitudeTerms lt = KrugerLatitude(e, lat);
  const KrugerMeridianTerms mt = KrugerMeridian(lon);
  const double r = std::sqrt(lt.taup * lt.taup + mt.cosl * mt.cosl);
  const DoubleAngles d = FromHalf(lt.taup, mt.cosl, mt.sinl, lt.secp, 1 / (r * r));
  // The derivative of ζ′ + Σ α_j sin 2jζ′ is 1 + Σ 2jα_j cos 2jζ′ = p′ − i q′
  // (Karney 2011, eqs. 12–13); the sum in j·α_j·cos jθ gives half of it.
  Cx deriv{0, 0};
  ClenshawSin(e.alpha, d.m, d.s, &deriv, d.c);
  const double pp = 1 + 2 * deriv.re, qp = -2 * deriv.im;
  // Convergence and scale of the conformal sphere (eqs. 23–24) times those of
  // the series (eqs. 25–28).
  const double phi = lat * kDegToRad;
  const double sphi = std::sin(phi), cphi = std::cos(phi);
  const double gamma1 = std::atan2(lt.taup * mt.sinl, lt.secp * mt.cosl);
  const double gamma2 = std::atan2(qp, pp);
  const double k1 = std::sqrt(1 - e.e2 * sphi * sphi) / (cphi * r);
  const double k2 = e.A / e.a * std::sqrt(pp * pp + qp * qp);
  return {k1 * k2, (gamma1 + gamma2) * kRadToDeg};
}

TPlanePoint GeoToPlane2000(const TLonLatDMS& p, bool zone3, double cm) {
  return ForwardFromTerms(KrugerLatitudeOf(p.Lat),
                          KrugerMeridianOf(DmsToDeg(p.Lon), MakeZoneParams(zone3, cm)));
}

TLonLatDMS PlaneToGeo2000(double northing, double easting, bool zone3, double cm) {
  const double x = easting - FalseEasting(zone3, cm);
  const TmLatLon g = KrugerInverse(kCgcs2000, x, northing);
  // The series are periodic in the northing and wrap beyond the domain: the
  // point stands only where it projects back onto the plane point.
  const double quarter = kCgcs2000.A * (kPi / 2);
  bool inside = std::abs(northing) <= quarter + 0.001 && std::abs(g.lon) <= kKrugerLongitudeLimit &&
                std::abs(g.lat) <= 90;
  if (inside) {
    const TmXY back = KrugerForward(kCgcs2000, g.lat, g.lon);
    inside = std::abs(back.x - x) <= 0.001 && std::abs(back.y - northing) <= 0.001;
  }
  if (!inside) {
    const double nan = std::numeric_limits<double>::quiet_NaN();
    return {{nan, nan, nan}, {nan, nan, nan}};
  }
  return {DegToDms(g.lon + cm), DegToDms(g.lat)};
}

ScaleConvergence ScaleConvergence2000(const TLonLatDMS& p, bool zone3, double cm) {
  const double L = DmsToDeg(p.Lon);
  const double L0 = cm == 0 ? CentralMeridian(zone3, L) : cm;
  return KrugerScaleConvergence(kCgcs2000, DmsToDeg(p.Lat), L - L0);
}

}  // namespace karvento
