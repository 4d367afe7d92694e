// SPDX-License-Identifier: Apache-2.0
// The EPSG systems of the sheet files, checked against GDAL's own copy of
// the EPSG dataset: every code of the table names the datum, the zone width
// and the central meridian that the projection used, and the false easting
// that it wrote.
#include <gtest/gtest.h>

#include <cpl_conv.h>
#include <ogr_srs_api.h>

#include <string>

#include "geodesy/gauss_kruger.h"
#include "geodesy/projection.h"
#include "gis/coordinate_system.h"
#include "numbering/unMapUnRgPub.h"
#include "read_back.h"

namespace karvento {
namespace {

struct EpsgFacts {
  std::string name;
  std::string datum;
  double cm = 0, fe = 0, fn = 0, k = 0;
  bool projected = false;
};

EpsgFacts Lookup(int code) {
  EpsgFacts f;
  OGRSpatialReferenceH srs = OSRNewSpatialReference(nullptr);
  if (OSRImportFromEPSG(srs, code) == OGRERR_NONE) {
    f.name = OSRGetName(srs);
    f.datum = OSRGetAttrValue(srs, "DATUM", 0);
    f.projected = OSRIsProjected(srs);
    if (f.projected) {
      f.cm = OSRGetProjParm(srs, SRS_PP_CENTRAL_MERIDIAN, -1, nullptr);
      f.fe = OSRGetProjParm(srs, SRS_PP_FALSE_EASTING, -1, nullptr);
      f.fn = OSRGetProjParm(srs, SRS_PP_FALSE_NORTHING, -1, nullptr);
      f.k = OSRGetProjParm(srs, SRS_PP_SCALE_FACTOR, -1, nullptr);
    }
  }
  OSRDestroySpatialReference(srs);
  return f;
}

const struct {
  Datum datum;
  const char* name;       // in EPSG's projected names
  const char* datumName;  // EPSG's datum
  int geographic;
} kDatumCases[] = {
    {Datum::Beijing54, "Beijing 1954", "Beijing_1954", 4214},
    {Datum::Xian80, "Xian 1980", "Xian_1980", 4610},
    {Datum::Cgcs2000, "CGCS2000", "China_2000", 4490},
};

TEST(EpsgTable, EveryCodeIsTheSystemTheProjectionWrote) {
  int checked = 0;
  for (const auto& d : kDatumCases) {
    EXPECT_EQ(GeographicEpsg(d.datum), d.geographic);
    const EpsgFacts geo = Lookup(d.geographic);
    EXPECT_FALSE(geo.projected);
    EXPECT_EQ(geo.datum, d.datumName) << d.geographic;
    EXPECT_EQ(SheetSystemName(d.datum, true, true, 0, false), geo.name);
    for (bool zone3 : {true, false}) {
      const double width = zone3 ? 3 : 6;
      for (bool prefix : {true, false}) {
        for (double cm = 75; cm <= 135; cm += width) {
          const int code = GaussKrugerEpsg(d.datum, zone3, cm, prefix);
          SCOPED_TRACE(std::string(d.name) + " cm " + std::to_string(cm) + " EPSG:" +
                       std::to_string(code));
          const EpsgFacts f = Lookup(code);
          ASSERT_TRUE(f.projected);
          EXPECT_EQ(f.datum, d.datumName);
          EXPECT_EQ(f.cm, cm);
          EXPECT_EQ(f.k, 1);
          EXPECT_EQ(f.fn, 0);
          EXPECT_EQ(f.fe, prefix ? FalseEasting(zone3, cm) : 500000);
          const std::string family = std::string(d.name) + " / " + (zone3 ? "3-degree " : "") +
                                     "Gauss-Kruger " +
                                     (prefix ? "zone " + std::to_string(static_cast<int>(
                                                             (FalseEasting(zone3, cm) - 5e5) / 1e6))
                                             : "CM " + std::to_string(static_cast<int>(cm)) + "E");
          EXPECT_EQ(f.name, family);
          // The name a drawing's comment gives where GDAL is not (the page).
          EXPECT_EQ(SheetSystemName(d.datum, false, zone3, cm, prefix), f.name);
          ++checked;
        }
      }
    }
  }
  // 3 datums × (21 + 21 3-degree + 11 + 11 6-degree systems).
  EXPECT_EQ(checked, 3 * 64);
}

// Each row of the datum table names its systems as EPSG does: its geographic
// system and the first and last system of each Gauss-Krüger family lie on the
// datum whose WKT name the row gives, their names begin with the row's EPSG
// name, and the family runs from the row's first to its last meridian.
TEST(EpsgTable, EveryDatumRowNamesWhatEpsgNames) {
  for (const DatumInfo& d : kDatums) {
    SCOPED_TRACE(d.name);
    EXPECT_EQ(Lookup(d.geographicEpsg).datum, d.wktDatum);
    for (bool zone3 : {true, false}) {
      for (bool prefix : {true, false}) {
        for (double cm : {d.planeEpsg.firstCm, d.planeEpsg.lastCm}) {
          const EpsgFacts f = Lookup(GaussKrugerEpsg(d.datum, zone3, cm, prefix));
          EXPECT_TRUE(f.projected) << cm;
          EXPECT_EQ(f.datum, d.wktDatum) << f.name;
          EXPECT_EQ(f.cm, cm) << f.name;
          EXPECT_EQ(f.name.rfind(std::string(d.epsgName) + " / ", 0), 0u) << f.name;
        }
      }
    }
  }
}

TEST(EpsgTable, WorkedCodesAndMeridiansWithoutAnEntry) {
  const struct {
    Datum datum;
    bool zone3;
    double cm;
    bool prefix;
    int code;
  } cases[] = {
      {Datum::Beijing54, true, 117, true, 2415},  {Datum::Xian80, true, 117, true, 2363},
      {Datum::Cgcs2000, true, 117, true, 4527},   {Datum::Beijing54, true, 117, false, 2436},
      {Datum::Xian80, true, 117, false, 2384},    {Datum::Cgcs2000, true, 117, false, 4548},
      {Datum::Beijing54, false, 117, true, 21420}, {Datum::Xian80, false, 75, false, 2338},
      // Central meridians that no EPSG system has.
      {Datum::Beijing54, true, 118.5, true, 0},   {Datum::Beijing54, true, 72, true, 0},
      {Datum::Xian80, false, 117.5, false, 0},    {Datum::Cgcs2000, false, 120, true, 0},
      {Datum::Cgcs2000, true, 138, false, 0},
  };
  for (const auto& c : cases) {
    EXPECT_EQ(GaussKrugerEpsg(c.datum, c.zone3, c.cm, c.prefix), c.code) << c.cm;
  }
}

// A column of sheets, as the numbering routine returns it.
TStandardMapUnions Sheets(double west, double east, bool zone3, double cm) {
  TStandardMapUnions t;
  CreateMapUnionsOfStandard({{west, 0, 0}, {39, 50, 0}, {east, 0, 0}, {40, 0, 0}}, 6, true, zone3,
                            Datum::Beijing54, cm, t);
  return t;
}

TEST(PlaneCrs, OneZoneOrARefusal) {
  // Automatic zones: 115°–117° E lies in 3-degree zone 39 (CM 117E) and in
  // 6-degree zone 20 (CM 117E); 118°–119° E crosses the 3-degree boundary at
  // 118.5°, and a sheet whose east edge is on a boundary has its east corners
  // projected on the next zone.
  const struct {
    double west, east;
    bool zone3;
    double cm;
    int code;  // 0: refused
  } cases[] = {
      {115.5, 117, true, 0, 2436},  {115, 117, false, 0, 21460}, {118, 119, true, 0, 0},
      {116, 118.5, true, 0, 2436},  // 118.5 bounds the zone of 117 from the east     {118, 119, true, 117, 2415}, {118, 119, true, 120, 2416},
      {112, 114, false, 0, 21459}, {112, 114.5, false, 0, 0},      {115, 116, false, 117, 21420},
  };
  for (const auto& c : cases) {
    SCOPED_TRACE(std::to_string(c.west) + "–" + std::to_string(c.east));
    const TStandardMapUnions t = Sheets(c.west, c.east, c.zone3, c.cm);
    ASSERT_FALSE(t.empty());
    if (c.code == 0) {
      try {
        PlaneCrs(t, {Datum::Beijing54, c.zone3, c.cm, 0, 0});
        ADD_FAILURE() << "not refused";
      } catch (const Error& e) {
        EXPECT_STREQ(e.what(), kSpansZonesMessage);
      }
      continue;
    }
    const GisCrs crs = PlaneCrs(t, {Datum::Beijing54, c.zone3, c.cm, 0, 0});
    EXPECT_EQ(crs.epsg, c.code);
    EXPECT_NE(crs.wkt.find("AUTHORITY[\"EPSG\",\"" + std::to_string(c.code) + "\"]]"),
              std::string::npos)
        << crs.wkt;
  }
}

TEST(PlaneCrs, OffsetsReduceTheFalseOriginAndDropTheCode) {
  const struct {
    Datum datum;
    bool zone3;
    double cm, offsetX, offsetY;
    double fe, fn;
    const char* name;
  } cases[] = {
      {Datum::Beijing54, true, 117, 39000000, 4000000, 500000, -4000000,
       "Beijing 1954 / 3-degree Gauss-Kruger zone 39, omitted X 39000000 Y 4000000"},
      {Datum::Xian80, false, 117, 0, 4400000, 20500000, -4400000,
       "Xian 1980 / Gauss-Kruger zone 20, omitted X 0 Y 4400000"},
      {Datum::Cgcs2000, true, 0, 500000, 0, 0, 0,
       "CGCS2000 / 3-degree Gauss-Kruger CM 117E, omitted X 500000 Y 0"},
      // No EPSG entry at all: the same projection, named after what it is.
      {Datum::Beijing54, true, 118.5, 0, 0, 40500000, 0,
       "Beijing 1954 / 3-degree Gauss-Kruger CM 118.5E zone 40"},
  };
  for (const auto& c : cases) {
    SCOPED_TRACE(c.name);
    const GisCrs crs = PlaneCrs(Sheets(116, 117, c.zone3, c.cm),
                                {c.datum, c.zone3, c.cm, c.offsetX, c.offsetY});
    EXPECT_EQ(crs.epsg, 0);
    EXPECT_EQ(crs.name, c.name);
    OGRSpatialReferenceH srs = OSRNewSpatialReference(crs.wkt.c_str());
    ASSERT_NE(srs, nullptr);
    EXPECT_STREQ(OSRGetName(srs), c.name);
    EXPECT_EQ(OSRGetProjParm(srs, SRS_PP_FALSE_EASTING, -1, nullptr), c.fe);
    EXPECT_EQ(OSRGetProjParm(srs, SRS_PP_FALSE_NORTHING, -1, nullptr), c.fn);
    EXPECT_EQ(OSRGetProjParm(srs, SRS_PP_CENTRAL_MERIDIAN, -1, nullptr), c.cm == 0 ? 117 : c.cm);
    EXPECT_EQ(OSRGetAuthorityCode(srs, "PROJCS"), nullptr);
    // The datum stays the EPSG one.
    EXPECT_STREQ(OSRGetAuthorityCode(srs, "GEOGCS"),
                 std::to_string(GeographicEpsg(c.datum)).c_str());
    OSRDestroySpatialReference(srs);
  }
}

}  // namespace
}  // namespace karvento
