// DXF drawings added to the open map: LINE, POLYLINE, LWPOLYLINE, POINT, INSERT (with the
// contents of its block), TEXT, MTEXT, ARC, CIRCLE, ELLIPSE and SPLINE, each on its layer's
// symbol.
#pragma once

#include <cstdint>
#include <string>
#include <vector>

#include "exchange/crt_table.h"
#include "exchange/dxf_reader.h"

namespace zelk {

class FontService;
class MapStore;
class Progress;

// The drawing's extent from its header, and the offsets proposed for the import.
struct DxfExtent {
  bool found = false;  // $EXTMIN/$EXTMAX (or $LIMMIN/$LIMMAX) both present
  double minX = 0, minY = 0, maxX = 0, maxY = 0;
  double offsetX = 0, offsetY = 0;  // the middle of the extent, else the first vertex
};
DxfExtent ScanDxfExtent(DxfReader& reader);
// Without header extents: the first vertex's 10 and 20 become the offsets (reading to "EOF").
DxfExtent ScanDxfFirstVertex(DxfReader& reader);

struct DxfImportParams {
  double offsetX = 0, offsetY = 0;  // DXF units, subtracted from every coordinate
  double factor = 1;                // DXF units to 0.01 mm of the map
  bool gis = true;                  // "GIS (1 meter/unit)": factor = 100000 / map scale
  bool importCoordinates = true;    // GIS: the map takes the offsets as its real-world offsets
};
// The factor of "GIS (1 meter/unit)" for a map scale, and of "Other:" millimetres per unit.
double GisFactor(double mapScale);
double MillimetreFactor(double mmPerUnit);

struct DxfImportResult {
  std::vector<int32_t> added;  // the objects added, ascending
  bool stopped = false;        // Esc, a failed add, or an error in the file
  std::string error;           // the message shown, if any
};

// Adds the drawing's entities to the map. Texts whose layer gives them a text symbol are laid
// out with `fonts` (when given) so that their box is that of the drawn text. A binary file, or a
// text encoding the map cannot take, is refused before anything is added.
DxfImportResult ImportDxf(MapStore& store, DxfReader& reader, const DxfImportParams& params,
                          const CrossRefTable& table, FontService* fonts, Progress& progress);

}  // namespace zelk
