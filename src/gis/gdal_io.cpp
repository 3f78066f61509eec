#include "gis/gdal_io.h"

#include <gdal_alg.h>
#include <gdal_priv.h>
#include <ogr_spatialref.h>
#include <ogrsf_frmts.h>
#include <signal.h>
#include <unistd.h>

#include <algorithm>
#include <cerrno>
#include <cmath>
#include <cstdio>
#include <filesystem>
#include <fstream>
#include <map>
#include <memory>
#include <mutex>
#include <regex>
#include <sstream>

#include "common/atomic_file.h"

#include "gis/layer_values.h"

namespace pravel::gis {

namespace {

void register_drivers() {
    static std::once_flag once;
    std::call_once(once, [] { GDALAllRegister(); });
}

// Keeps GDAL's own messages off the terminal while a call runs; the last one
// is put into the refusal instead.
class QuietErrors {
public:
    QuietErrors() {
        register_drivers();
        CPLPushErrorHandler(CPLQuietErrorHandler);
        CPLErrorReset();
    }
    ~QuietErrors() { CPLPopErrorHandler(); }
    QuietErrors(const QuietErrors&) = delete;
    QuietErrors& operator=(const QuietErrors&) = delete;
    static std::string last() {
        const char* m = CPLGetLastErrorMsg();
        return m && *m ? std::string(" (") + m + ")" : std::string();
    }
};

GDALDatasetUniquePtr open(const std::string& file, unsigned kind, const char* what) {
    GDALDatasetUniquePtr ds(GDALDataset::Open(file.c_str(), kind | GDAL_OF_READONLY | GDAL_OF_VERBOSE_ERROR));
    if (!ds) throw GisRefusal(file + ": cannot be read as a " + what + QuietErrors::last());
    return ds;
}

// The formats a layer is read from: plain files that hold their own data.
// Formats that refer to other files or to servers (VRT, WMS and the like)
// are left out, so that a layer cannot copy another file's bytes into the
// study area or make the program reach the network.
const char* const kRasterFormats[] = {"GTiff", "AAIGrid", "HFA", nullptr};
const char* const kVectorFormats[] = {"ESRI Shapefile", "GPKG", "GeoJSON", "FlatGeobuf", "MapInfo File", nullptr};

// Refuses anything but a regular file on this computer: GDAL's virtual file
// systems (/vsicurl/, /vsizip/, ...), URLs, connection strings, folders,
// devices and FIFOs.
void require_local_file(const std::string& file) {
    std::string head = file.substr(0, 4);
    std::transform(head.begin(), head.end(), head.begin(), [](unsigned char c) { return std::tolower(c); });
    std::error_code ec;
    if (head == "/vsi" || !std::filesystem::is_regular_file(file, ec)) {
        throw GisRefusal(file + ": not a plain local file; layers and contours are read from files on this "
                                "computer only (no /vsi paths, URLs or connection strings)");
    }
}

// A layer file, opened only by the drivers of `formats`.
GDALDatasetUniquePtr open_layer(const std::string& file, unsigned kind, const char* what,
                                const char* const* formats) {
    require_local_file(file);
    GDALDatasetUniquePtr ds(
        GDALDataset::Open(file.c_str(), kind | GDAL_OF_READONLY | GDAL_OF_VERBOSE_ERROR, formats, nullptr, nullptr));
    if (!ds) {
        std::string names;
        for (const char* const* f = formats; *f; ++f) names += std::string(names.empty() ? "" : ", ") + *f;
        throw GisRefusal(file + ": cannot be read as a " + what + " (readable formats: " + names + ")" +
                         QuietErrors::last());
    }
    return ds;
}

// Turns a mirrored grid (columns counted from the east, or rows from the
// south) into a north-up one, so that row 0 is the northern edge and column
// 0 the western one.
void make_north_up(GridLayer& layer) {
    GridGeometry& g = layer.geometry;
    if (g.transform[2] != 0.0 || g.transform[4] != 0.0) return;  // rotated grids are refused later
    const auto columns = static_cast<std::size_t>(g.columns);
    if (g.transform[1] < 0.0) {
        for (std::size_t r = 0; r < static_cast<std::size_t>(g.rows); ++r) {
            std::reverse(layer.values.begin() + r * columns, layer.values.begin() + (r + 1) * columns);
            std::reverse(layer.has_data.begin() + r * columns, layer.has_data.begin() + (r + 1) * columns);
        }
        g.transform[0] += g.columns * g.transform[1];
        g.transform[1] = -g.transform[1];
    }
    if (g.transform[5] > 0.0) {
        for (std::size_t top = 0, bottom = static_cast<std::size_t>(g.rows) - 1; top < bottom; ++top, --bottom) {
            std::swap_ranges(layer.values.begin() + top * columns, layer.values.begin() + (top + 1) * columns,
                             layer.values.begin() + bottom * columns);
            std::swap_ranges(layer.has_data.begin() + top * columns, layer.has_data.begin() + (top + 1) * columns,
                             layer.has_data.begin() + bottom * columns);
        }
        g.transform[3] += g.rows * g.transform[5];
        g.transform[5] = -g.transform[5];
    }
}

// WKT of a coordinate system in one normal form, so that the same system
// read from different formats compares equal; empty for none.
std::string normal_wkt(const OGRSpatialReference* srs) {
    if (!srs || srs->IsEmpty()) return {};
    OGRSpatialReference copy(*srs);
    if (copy.AutoIdentifyEPSG() == OGRERR_NONE || copy.GetAuthorityName(nullptr)) {
        const char* authority = copy.GetAuthorityName(nullptr);
        const char* code = copy.GetAuthorityCode(nullptr);
        if (authority && code && std::string(authority) == "EPSG") {
            OGRSpatialReference byCode;
            if (byCode.importFromEPSG(std::atoi(code)) == OGRERR_NONE) copy = byCode;
        }
    }
    char* text = nullptr;
    copy.exportToWkt(&text);
    std::string wkt = text ? text : "";
    CPLFree(text);
    return wkt;
}

void describe_reference(const OGRSpatialReference* srs, GridGeometry& g) {
    g.spatial_reference = normal_wkt(srs);
    g.geographic = srs && !srs->IsEmpty() && srs->IsGeographic();
    g.linear_unit_metres = srs && !srs->IsEmpty() && srs->IsProjected() ? srs->GetLinearUnits() : 1.0;
}

// Temporary files of an unfinished export are named
// ".<stem>.partial-<host>-<process><extension>", with GDAL's sidecars
// (".aux.xml", a GeoPackage's "-journal", "-wal", "-shm") beside them.
std::string partial_name(const std::filesystem::path& target) {
    char host[256] = {};
    if (::gethostname(host, sizeof host - 1) != 0 || !*host) std::snprintf(host, sizeof host, "localhost");
    for (char* c = host; *c; ++c) {
        if (*c == '/') *c = '_';
    }
    std::string name = ".";
    name += target.stem().string();
    name += ".partial-";
    name += host;
    name += "-";
    name += std::to_string(::getpid());
    name += target.extension().string();
    return name;
}

// Removes the temporary files that exports of this tool left in `folder` when
// they were killed: those whose process, on this host, is gone. Files of a
// process that still runs, or of another host, are left alone.
void remove_stale_partials(const std::filesystem::path& folder) {
    static const std::regex pattern(R"(^\..*\.partial-(?:(.+)-)?([0-9]+)\.(tif|tiff|gpkg)(\.aux\.xml|-journal|-wal|-shm)?$)",
                                    std::regex::icase);
    char host[256] = {};
    if (::gethostname(host, sizeof host - 1) != 0 || !*host) std::snprintf(host, sizeof host, "localhost");
    std::error_code ec;
    std::filesystem::directory_iterator it(folder.empty() ? std::filesystem::path(".") : folder, ec);
    for (; !ec && it != std::filesystem::directory_iterator(); it.increment(ec)) {
        const std::string name = it->path().filename().string();
        std::smatch m;
        if (!std::regex_match(name, m, pattern)) continue;
        if (m[1].matched && m[1].str() != host) continue;
        const long pid = std::strtol(m[2].str().c_str(), nullptr, 10);
        if (pid <= 0 || pid == ::getpid()) continue;
        if (::kill(static_cast<pid_t>(pid), 0) == 0 || errno != ESRCH) continue;
        std::error_code ignored;
        if (std::filesystem::is_regular_file(it->symlink_status(ignored))) std::filesystem::remove(it->path(), ignored);
    }
}

// A temporary file that becomes `target` only when complete, with the path
// handling of every file the tool writes: a symbolic link is followed and
// stays a link (a dangling one has its target created), a character device
// or a FIFO is written directly (through the one atomic writer, after the
// file is complete), a folder or another special file is refused. A regular
// target keeps its permissions. The temporary file lies beside the file that
// is replaced, or in the system's temporary folder for a device or FIFO;
// stale ones of killed exports are removed there first.
class PendingFile {
public:
    explicit PendingFile(const std::string& target) : target_(target), where_(resolve_write_target(target)) {
        if (where_.kind == WriteTarget::Kind::Refused) {
            throw GisRefusal(target + ": cannot be written (" + where_.error + ")");
        }
        const std::filesystem::path resolved(where_.path);
        std::filesystem::path folder = where_.kind == WriteTarget::Kind::Direct
                                           ? std::filesystem::temp_directory_path()
                                           : resolved.parent_path();
        if (folder.empty()) folder = ".";
        remove_stale_partials(folder);
        temp_ = (folder / partial_name(resolved)).string();
        remove_temp();
    }
    ~PendingFile() {
        if (!done_) remove_temp();
    }
    const std::string& temp() const { return temp_; }
    // Puts the file (and a sidecar GDAL wrote beside it) in place.
    void commit() {
        if (where_.kind == WriteTarget::Kind::Direct) {
            copy_into_target();
            remove_temp();
            done_ = true;
            return;
        }
        std::error_code ec;
        if (where_.existing_mode >= 0) {
            std::filesystem::permissions(temp_, static_cast<std::filesystem::perms>(where_.existing_mode), ec);
        }
        std::filesystem::rename(temp_, where_.path, ec);
        if (ec) throw GisRefusal(target_ + ": cannot be written (" + ec.message() + ")");
        const std::string aux = temp_ + ".aux.xml", target_aux = where_.path + ".aux.xml";
        if (std::filesystem::exists(aux)) {
            std::filesystem::rename(aux, target_aux, ec);
        } else {
            std::filesystem::remove(target_aux, ec);
        }
        done_ = true;
    }

private:
    // A device or a FIFO gets the finished file's bytes as a stream; GDAL's
    // sidecar has no place beside it and is dropped.
    void copy_into_target() {
        std::ifstream in(temp_, std::ios::binary);
        AtomicFile out;
        bool ok = in.is_open() && out.open(target_);
        std::vector<char> buffer(1 << 16);
        while (ok && in) {
            in.read(buffer.data(), static_cast<std::streamsize>(buffer.size()));
            const std::streamsize n = in.gcount();
            if (n > 0) ok = out.write(buffer.data(), static_cast<std::size_t>(n));
        }
        if (!ok || !out.close()) {
            const std::string why = out.error().empty() ? std::string("the finished file cannot be read") : out.error();
            throw GisRefusal(target_ + ": cannot be written (" + why + ")");
        }
    }
    void remove_temp() {
        std::error_code ec;
        std::filesystem::remove(temp_, ec);
        for (const char* sidecar : {".aux.xml", "-journal", "-wal", "-shm"}) {
            std::filesystem::remove(temp_ + sidecar, ec);
        }
    }
    std::string target_;
    WriteTarget where_;
    std::string temp_;
    bool done_ = false;
};

}  // namespace

LayerSource parse_layer_argument(const std::string& argument) {
    const auto eq = argument.find('=');
    if (eq == std::string::npos || eq == 0 || eq + 1 == argument.size()) {
        throw GisRefusal(argument + ": a layer is given as COLUMN=FILE or COLUMN=FILE:FIELD");
    }
    LayerSource s = parse_layer_file(argument.substr(eq + 1));
    s.column = argument.substr(0, eq);
    return s;
}

LayerSource parse_layer_file(const std::string& text) {
    LayerSource s;
    s.file = text;
    // FILE:FIELD names a polygon layer's attribute; a file that exists under
    // the whole name is taken as it is.
    const auto colon = s.file.rfind(':');
    if (colon != std::string::npos && colon > 0 && !std::filesystem::exists(s.file) &&
        std::filesystem::exists(s.file.substr(0, colon))) {
        s.field = s.file.substr(colon + 1);
        s.file = s.file.substr(0, colon);
    }
    return s;
}

namespace {

std::string grid_text(const GridGeometry& g) {
    std::ostringstream s;
    s.precision(12);
    s << g.rows << " x " << g.columns << " cells of " << g.transform[1] << " x " << -g.transform[5]
      << ", north-west corner " << g.transform[0] << ", " << g.transform[3];
    return s.str();
}

// The same cells: sizes equal, the cell size within a millionth, the corner
// within a hundredth of a cell, no rotation.
bool same_cells(const GridGeometry& a, const GridGeometry& b) {
    if (a.rows != b.rows || a.columns != b.columns) return false;
    if (a.transform[2] != 0.0 || a.transform[4] != 0.0 || b.transform[2] != 0.0 || b.transform[4] != 0.0)
        return false;
    const double w = std::fabs(b.transform[1]), h = std::fabs(b.transform[5]);
    return std::fabs(a.transform[1] - b.transform[1]) <= 1e-6 * w &&
           std::fabs(a.transform[5] - b.transform[5]) <= 1e-6 * h &&
           std::fabs(a.transform[0] - b.transform[0]) <= 0.01 * w &&
           std::fabs(a.transform[3] - b.transform[3]) <= 0.01 * h;
}

}  // namespace

GridLayer read_layer_on_grid(const std::string& text, const GridGeometry& grid) {
    const LayerSource source = parse_layer_file(text);
    GridLayer layer = source.field.empty() ? read_raster_layer(source.file, "")
                                           : read_polygon_layer(source.file, source.field, "", grid);
    const std::string& srs = layer.geometry.spatial_reference;
    if (!srs.empty() && !grid.spatial_reference.empty() && srs != grid.spatial_reference) {
        throw GisRefusal(source.file + ": the layer's coordinate system (" + spatial_reference_name(srs) +
                         ") is not the study area's (" + spatial_reference_name(grid.spatial_reference) + ")");
    }
    if (source.field.empty() && !same_cells(layer.geometry, grid)) {
        throw GisRefusal(source.file + ": the raster's grid (" + grid_text(layer.geometry) +
                         ") is not the study area's grid (" + grid_text(grid) +
                         "); give a raster on the area's grid, such as one made from export-area, or a polygon "
                         "layer as FILE:FIELD");
    }
    layer.geometry = grid;
    return layer;
}

GridLayer read_raster_layer(const std::string& file, const std::string& column) {
    QuietErrors quiet;
    GDALDatasetUniquePtr ds = open_layer(file, GDAL_OF_RASTER, "raster", kRasterFormats);
    GridLayer layer;
    layer.file = file;
    layer.column = column;
    GridGeometry& g = layer.geometry;
    g.rows = ds->GetRasterYSize();
    g.columns = ds->GetRasterXSize();
    check_grid_size(g.rows, g.columns, file);
    if (ds->GetGeoTransform(g.transform.data()) != CE_None) {
        throw GisRefusal(file + ": the raster has no geotransform (origin and cell size)");
    }
    describe_reference(ds->GetSpatialRef(), g);
    const int count = ds->GetRasterCount();
    if (count == 0) throw GisRefusal(file + ": the raster has no band");
    GDALRasterBand* band = nullptr;
    for (int b = 1; b <= count; ++b) {
        if (column == ds->GetRasterBand(b)->GetDescription()) band = ds->GetRasterBand(b);
    }
    if (!band) {
        if (count > 1 && column.empty())
            throw GisRefusal(file + ": the raster has " + std::to_string(count) + " bands; give a raster of one band");
        if (count > 1) throw GisRefusal(file + ": none of the " + std::to_string(count) + " bands is named " + column);
        band = ds->GetRasterBand(1);
    }
    const std::size_t n = static_cast<std::size_t>(g.rows) * static_cast<std::size_t>(g.columns);
    const std::string format = ds->GetDriver() ? ds->GetDriver()->GetDescription() : "";
    if (format == "AAIGrid") {
        // GDAL reads an unparsable token of an ASCII grid as 0 and a number
        // beyond its guessed type as another number; the tokens are read
        // here instead.
        std::ifstream in(file, std::ios::binary);
        AsciiGridValues grid = read_ascii_grid(in, file);
        if (grid.rows != g.rows || grid.columns != g.columns) {
            throw GisRefusal(file + ": the header of the grid cannot be read");
        }
        layer.values = std::move(grid.values);
        layer.has_data = std::move(grid.has_data);
    } else {
        layer.values.resize(n);
        // In strips of whole blocks, so that GDAL holds no copy of the grid.
        int block_columns = 0, block_rows = 0;
        band->GetBlockSize(&block_columns, &block_rows);
        const int strip = std::clamp(std::max(block_rows, (1 << 20) / std::max(1, g.columns)), 1, g.rows);
        for (int row = 0; row < g.rows; row += strip) {
            const int height = std::min(strip, g.rows - row);
            if (band->RasterIO(GF_Read, 0, row, g.columns, height,
                               layer.values.data() + static_cast<std::size_t>(row) * g.columns, g.columns, height,
                               GDT_Float64, 0, 0) != CE_None) {
                throw GisRefusal(file + ": the band cannot be read" + QuietErrors::last());
            }
        }
        int has_no_data = 0;
        const double no_data = band->GetNoDataValue(&has_no_data);
        const bool float32 = band->GetRasterDataType() == GDT_Float32;
        layer.has_data.resize(n);
        for (std::size_t c = 0; c < n; ++c) {
            double& v = layer.values[c];
            // A NaN is no data only where the band says so; elsewhere the
            // value check refuses it.
            layer.has_data[c] = !(has_no_data && (v == no_data || (std::isnan(no_data) && std::isnan(v))));
            if (float32) v = without_float32_noise(v);
        }
    }
    if (char** names = band->GetCategoryNames()) {
        for (int k = 0; names[k]; ++k) layer.categories.emplace_back(names[k]);
    }
    make_north_up(layer);
    return layer;
}

GridLayer read_polygon_layer(const std::string& file, const std::string& field, const std::string& column,
                             const GridGeometry& grid) {
    QuietErrors quiet;
    check_grid_size(grid.rows, grid.columns, file);
    GDALDatasetUniquePtr ds = open_layer(file, GDAL_OF_VECTOR, "polygon layer", kVectorFormats);
    if (ds->GetLayerCount() < 1) throw GisRefusal(file + ": the file has no layer");
    OGRLayer* source = ds->GetLayer(0);
    const int field_index = source->GetLayerDefn()->GetFieldIndex(field.c_str());
    if (field_index < 0) throw GisRefusal(file + ": the layer has no field \"" + field + "\"");
    const OGRFieldType type = source->GetLayerDefn()->GetFieldDefn(field_index)->GetType();
    const PixelColumn* target_column = find_pixel_column(column);
    // (An unknown column is refused with the other layers' checks.)
    const bool numeric_column = target_column && target_column->kind != PixelColumnKind::Text;
    if (type == OFTString && numeric_column) {
        throw GisRefusal(file + ": the field \"" + field + "\" holds text, but column " + column +
                         " takes numbers; give a numeric field");
    }
    if (type != OFTString && type != OFTInteger && type != OFTInteger64 && type != OFTReal) {
        throw GisRefusal(file + ": the field \"" + field + "\" is of type " + OGRFieldDefn::GetFieldTypeName(type) +
                         "; a layer's field must hold numbers or text");
    }
    GridLayer layer;
    layer.file = file;
    layer.column = column;
    layer.from_polygons = true;
    layer.geometry = grid;
    describe_reference(source->GetSpatialRef(), layer.geometry);

    // Each polygon burns its value into band 1 and 1 into band 2, which marks
    // the cells a polygon covers; a text field burns the code of its text,
    // whose names become the layer's categories. A polygon whose field is
    // empty burns nothing.
    std::vector<std::unique_ptr<OGRGeometry>> geometries;
    std::vector<double> burn;  // two per geometry: the value, then 1
    std::map<std::string, int> codes;
    for (auto& feature : *source) {
        const OGRGeometry* geometry = feature->GetGeometryRef();
        if (!geometry || !feature->IsFieldSetAndNotNull(field_index)) continue;
        double value = 0.0;
        if (type == OFTString) {
            const std::string text = feature->GetFieldAsString(field_index);
            auto [at, added] = codes.emplace(text, static_cast<int>(layer.categories.size()));
            if (added) layer.categories.push_back(text);
            value = at->second;
        } else {
            value = feature->GetFieldAsDouble(field_index);
        }
        geometries.emplace_back(geometry->clone());
        burn.push_back(value);
        burn.push_back(1.0);
    }

    GDALDriver* mem = GetGDALDriverManager()->GetDriverByName("MEM");
    GDALDatasetUniquePtr target(mem->Create("", grid.columns, grid.rows, 2, GDT_Float64, nullptr));
    if (!target) throw GisRefusal(file + ": no memory for rasterising the layer");
    std::array<double, 6> t = grid.transform;
    target->SetGeoTransform(t.data());
    target->GetRasterBand(1)->Fill(0.0);
    target->GetRasterBand(2)->Fill(0.0);
    if (!geometries.empty()) {
        std::vector<OGRGeometryH> handles;
        for (const auto& g : geometries) handles.push_back(OGRGeometry::ToHandle(g.get()));
        int bands[] = {1, 2};
        if (GDALRasterizeGeometries(GDALDataset::ToHandle(target.get()), 2, bands, static_cast<int>(handles.size()),
                                    handles.data(), nullptr, nullptr, burn.data(), nullptr, nullptr,
                                    nullptr) != CE_None) {
            throw GisRefusal(file + ": the polygons cannot be rasterised" + QuietErrors::last());
        }
    }
    const std::size_t n = static_cast<std::size_t>(grid.rows) * static_cast<std::size_t>(grid.columns);
    layer.values.resize(n);
    std::vector<double> cover(n);
    if (target->GetRasterBand(1)->RasterIO(GF_Read, 0, 0, grid.columns, grid.rows, layer.values.data(),
                                           grid.columns, grid.rows, GDT_Float64, 0, 0) != CE_None ||
        target->GetRasterBand(2)->RasterIO(GF_Read, 0, 0, grid.columns, grid.rows, cover.data(), grid.columns,
                                           grid.rows, GDT_Float64, 0, 0) != CE_None) {
        throw GisRefusal(file + ": the polygons cannot be rasterised" + QuietErrors::last());
    }
    layer.has_data.resize(n);
    for (std::size_t c = 0; c < n; ++c) layer.has_data[c] = cover[c] != 0.0;
    return layer;
}

std::vector<std::pair<double, double>> read_contour_ring(const std::string& file, const GridGeometry& grid) {
    QuietErrors quiet;
    GDALDatasetUniquePtr ds = open_layer(file, GDAL_OF_VECTOR, "polygon layer", kVectorFormats);
    if (ds->GetLayerCount() < 1) throw GisRefusal(file + ": the file has no layer");
    OGRLayer* source = ds->GetLayer(0);
    if (normal_wkt(source->GetSpatialRef()) != grid.spatial_reference) {
        throw GisRefusal(file + ": the coordinate system of the contour differs from that of the layers");
    }
    std::vector<std::pair<double, double>> ring;
    double best_area = -1.0;
    for (auto& feature : *source) {
        const OGRGeometry* geometry = feature->GetGeometryRef();
        if (!geometry) continue;
        auto consider = [&](const OGRPolygon* p) {
            const OGRLinearRing* exterior = p ? p->getExteriorRing() : nullptr;
            if (!exterior || p->get_Area() <= best_area) return;
            best_area = p->get_Area();
            ring.clear();
            for (int k = 0; k < exterior->getNumPoints(); ++k) ring.emplace_back(exterior->getX(k), exterior->getY(k));
        };
        const auto type = wkbFlatten(geometry->getGeometryType());
        if (type == wkbPolygon) consider(geometry->toPolygon());
        if (type == wkbMultiPolygon) {
            for (const OGRPolygon* p : *geometry->toMultiPolygon()) consider(p);
        }
    }
    if (ring.empty()) throw GisRefusal(file + ": the layer has no polygon for the contour");
    return ring;
}

std::vector<LayerSource> bands_named_after_columns(const std::string& file) {
    QuietErrors quiet;
    GDALDatasetUniquePtr ds = open_layer(file, GDAL_OF_RASTER, "raster", kRasterFormats);
    std::vector<LayerSource> out;
    for (int b = 1; b <= ds->GetRasterCount(); ++b) {
        const std::string name = ds->GetRasterBand(b)->GetDescription();
        if (find_pixel_column(name)) out.push_back({name, file, ""});
    }
    if (out.empty()) throw GisRefusal(file + ": no band is named after a column of table pixel");
    return out;
}

std::string spatial_reference_text(const std::string& definition) {
    if (definition.empty()) return {};
    QuietErrors quiet;
    OGRSpatialReference srs;
    if (srs.SetFromUserInput(definition.c_str()) != OGRERR_NONE) {
        throw GisRefusal(definition + ": not a coordinate system" + QuietErrors::last());
    }
    return normal_wkt(&srs);
}

std::string spatial_reference_name(const std::string& wkt) {
    if (wkt.empty()) return "none";
    QuietErrors quiet;
    OGRSpatialReference srs;
    if (srs.importFromWkt(wkt.c_str()) != OGRERR_NONE) return "unreadable";
    std::string name = srs.GetName() ? srs.GetName() : "unnamed";
    const char* authority = srs.GetAuthorityName(nullptr);
    const char* code = srs.GetAuthorityCode(nullptr);
    if (authority && code) name += std::string(" (") + authority + ":" + code + ")";
    return name;
}

void write_geotiff(const std::string& path, const GridGeometry& grid, const std::vector<OutputBand>& bands) {
    QuietErrors quiet;
    if (bands.empty()) throw GisRefusal(path + ": nothing to write");
    PendingFile pending(path);
    GDALDriver* driver = GetGDALDriverManager()->GetDriverByName("GTiff");
    const char* options[] = {"COMPRESS=DEFLATE", "PREDICTOR=3", nullptr};
    {
        GDALDatasetUniquePtr ds(driver->Create(pending.temp().c_str(), grid.columns, grid.rows,
                                               static_cast<int>(bands.size()), GDT_Float64,
                                               const_cast<char**>(options)));
        if (!ds) throw GisRefusal(path + ": cannot be written" + QuietErrors::last());
        std::array<double, 6> t = grid.transform;
        ds->SetGeoTransform(t.data());
        if (!grid.spatial_reference.empty()) ds->SetProjection(grid.spatial_reference.c_str());
        for (std::size_t b = 0; b < bands.size(); ++b) {
            GDALRasterBand* band = ds->GetRasterBand(static_cast<int>(b) + 1);
            const OutputBand& out = bands[b];
            band->SetDescription(out.description.c_str());
            band->SetNoDataValue(kNoData);
            for (const auto& [key, value] : out.metadata) band->SetMetadataItem(key.c_str(), value.c_str());
            if (!out.categories.empty()) {
                std::vector<char*> names;
                for (const auto& c : out.categories) names.push_back(const_cast<char*>(c.c_str()));
                names.push_back(nullptr);
                band->SetCategoryNames(names.data());
            }
            std::vector<double> values = out.values;
            if (band->RasterIO(GF_Write, 0, 0, grid.columns, grid.rows, values.data(), grid.columns, grid.rows,
                               GDT_Float64, 0, 0) != CE_None) {
                throw GisRefusal(path + ": cannot be written" + QuietErrors::last());
            }
        }
    }
    if (CPLGetLastErrorType() >= CE_Failure) throw GisRefusal(path + ": cannot be written" + QuietErrors::last());
    pending.commit();
}

void write_geopackage(const std::string& path, const std::string& layer_name, const GridGeometry& grid,
                      const std::vector<OutputField>& fields, const std::vector<OutputFeature>& features) {
    QuietErrors quiet;
    PendingFile pending(path);
    GDALDriver* driver = GetGDALDriverManager()->GetDriverByName("GPKG");
    {
        GDALDatasetUniquePtr ds(driver->Create(pending.temp().c_str(), 0, 0, 0, GDT_Unknown, nullptr));
        if (!ds) throw GisRefusal(path + ": cannot be written" + QuietErrors::last());
        // A grid without a coordinate system gets GeoPackage's undefined
        // cartesian system rather than its undefined geographic one.
        auto srs = std::make_unique<OGRSpatialReference>();
        if (grid.spatial_reference.empty()) {
            srs->SetLocalCS("Undefined cartesian SRS");
        } else {
            srs->importFromWkt(grid.spatial_reference.c_str());
        }
        OGRLayer* layer = ds->CreateLayer(layer_name.c_str(), srs.get(), wkbPolygon, nullptr);
        if (!layer) throw GisRefusal(path + ": cannot be written" + QuietErrors::last());
        for (const auto& f : fields) {
            OGRFieldDefn defn(f.name.c_str(), f.integer ? OFTInteger : OFTReal);
            if (layer->CreateField(&defn) != OGRERR_NONE) {
                throw GisRefusal(path + ": cannot be written" + QuietErrors::last());
            }
        }
        ds->StartTransaction();
        const auto& t = grid.transform;
        for (const auto& f : features) {
            OGRFeature feature(layer->GetLayerDefn());
            for (std::size_t k = 0; k < fields.size(); ++k) {
                const int index = static_cast<int>(k);
                if (k >= f.values.size() || !f.values[k]) {
                    feature.SetFieldNull(index);
                } else if (fields[k].integer) {
                    feature.SetField(index, static_cast<int>(std::llround(*f.values[k])));
                } else {
                    feature.SetField(index, *f.values[k]);
                }
            }
            const double x0 = t[0] + f.column * t[1], x1 = x0 + t[1];
            const double y0 = t[3] + f.row * t[5], y1 = y0 + t[5];
            OGRLinearRing ring;
            ring.addPoint(x0, y0);
            ring.addPoint(x1, y0);
            ring.addPoint(x1, y1);
            ring.addPoint(x0, y1);
            ring.addPoint(x0, y0);
            OGRPolygon square;
            square.addRing(&ring);
            feature.SetGeometry(&square);
            if (layer->CreateFeature(&feature) != OGRERR_NONE) {
                throw GisRefusal(path + ": cannot be written" + QuietErrors::last());
            }
        }
        if (ds->CommitTransaction() != OGRERR_NONE) {
            throw GisRefusal(path + ": cannot be written" + QuietErrors::last());
        }
    }
    pending.commit();
}

std::vector<ReadBand> read_all_bands(const std::string& path, GridGeometry* grid) {
    QuietErrors quiet;
    GDALDatasetUniquePtr ds = open(path, GDAL_OF_RASTER, "raster");
    GridGeometry g;
    g.rows = ds->GetRasterYSize();
    g.columns = ds->GetRasterXSize();
    check_grid_size(g.rows, g.columns, path);
    ds->GetGeoTransform(g.transform.data());
    describe_reference(ds->GetSpatialRef(), g);
    if (grid) *grid = g;
    std::vector<ReadBand> out;
    for (int b = 1; b <= ds->GetRasterCount(); ++b) {
        GDALRasterBand* band = ds->GetRasterBand(b);
        ReadBand r;
        r.description = band->GetDescription();
        r.values.resize(static_cast<std::size_t>(g.rows) * g.columns);
        if (band->RasterIO(GF_Read, 0, 0, g.columns, g.rows, r.values.data(), g.columns, g.rows, GDT_Float64, 0,
                           0) != CE_None) {
            throw GisRefusal(path + ": band " + std::to_string(b) + " cannot be read" + QuietErrors::last());
        }
        int has = 0;
        const double nd = band->GetNoDataValue(&has);
        if (has) r.no_data = nd;
        if (char** names = band->GetCategoryNames()) {
            for (int k = 0; names[k]; ++k) r.categories.emplace_back(names[k]);
        }
        out.push_back(std::move(r));
    }
    return out;
}

}  // namespace pravel::gis
