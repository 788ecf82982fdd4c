// Attaching time kernels and further SPK kernels to an Engine: each method
// opens and checks its files first, and only then takes the engine out,
// extends it and puts it back.
#include "core/files/kernel_file.hpp"
#include "python/bound_method.hpp"
#include "python/engine_methods.hpp"

namespace orvane::python {
namespace {

template <class Table>
std::optional<Table> open_table(std::string_view path, std::string_view sha256, std::string_view role) {
    auto opened = Table::open(path, sha256);
    if (!opened) {
        file_error(opened.error().message(), path, role);
        return std::nullopt;
    }
    return std::move(*opened);
}

// A table whose file and checksum are given together or not at all: false
// with ValueError `unpaired` for one without the other, or the table's error.
template <class Table>
bool open_if_given(std::optional<std::string_view> path, std::optional<std::string_view> sha256,
                   std::string_view role, const char* unpaired, std::optional<Table>& table) {
    if (path.has_value() != sha256.has_value()) {
        value_error(unpaired);
        return false;
    }
    if (path) table = open_table<Table>(*path, *sha256, role);
    return !path || table.has_value();
}

std::optional<LeapSecondKernel> open_leap_seconds(std::string_view path, std::string_view sha256) {
    return open_table<LeapSecondKernel>(path, sha256, "leap_second_kernel");
}

std::optional<EarthOrientationTable> open_eop(std::string_view path, std::string_view sha256) {
    return open_table<EarthOrientationTable>(path, sha256, "eop");
}

PyObject* with_leap_second_kernel(EngineObject& object, std::string_view path, std::string_view sha256) {
    auto kernel = open_leap_seconds(path, sha256);
    if (!kernel) return nullptr;
    return replace_engine(object, [&](SpkOrvane engine) {
        return SpkOrvane::with_leap_second_kernel(std::move(engine), std::move(*kernel));
    });
}

PyObject* with_eop(EngineObject& object, std::string_view path, std::string_view sha256) {
    auto table = open_eop(path, sha256);
    if (!table) return nullptr;
    return replace_engine(object,
                          [&](SpkOrvane engine) { return SpkOrvane::with_eop(std::move(engine), std::move(*table)); });
}

PyObject* with_time_kernels(EngineObject& object, std::string_view leap_second_kernel,
                            std::string_view leap_second_sha256, std::string_view eop, std::string_view eop_sha256) {
    auto kernel = open_leap_seconds(leap_second_kernel, leap_second_sha256);
    if (!kernel) return nullptr;
    auto table = open_eop(eop, eop_sha256);
    if (!table) return nullptr;
    return replace_engine(object, [&](SpkOrvane engine) {
        return SpkOrvane::with_time_kernels(std::move(engine), std::move(*kernel), std::move(*table));
    });
}

PyObject* with_additional_kernel_file(EngineObject& object, std::string_view path, std::string_view sha256) {
    if (!is_sha256_text(sha256)) return value_error(KERNEL_SHA256_FORM_ERROR);
    auto name = utf8_file_name(path);
    if (!name) return file_error(KERNEL_FILE_NAME_ERROR, path, "additional_kernel");
    auto kernel = SpkKernel::open(path);
    if (!kernel) return file_error(kernel.error().message(), path, "additional_kernel");
    if (!object.engine) return value_error(ENGINE_CLOSED);
    // A kernel that fails its checks leaves the engine untouched: it goes back.
    std::unique_ptr<SpkOrvane> engine = std::move(object.engine);
    auto extended = SpkOrvane::with_additional_kernel(std::move(*engine), std::move(*kernel), std::move(*name), sha256);
    if (!extended) {
        object.engine = std::move(engine);
        return file_error(extended.error().message(), path, "additional_kernel");
    }
    object.engine = std::make_unique<SpkOrvane>(std::move(*extended));
    Py_RETURN_NONE;
}

constexpr Method WITH_LEAP_SECOND_KERNEL{
    "with_leap_second_kernel",
    {{{"path"}, {"sha256"}}},
    AccessKind::Exclusive,
    Lock::Held,
    "Attach a NAIF leap-second kernel so UTC (and UT1 with EOP) convert."};

constexpr Method WITH_EOP{
    "with_eop",
    {{{"path"}, {"sha256"}}},
    AccessKind::Exclusive,
    Lock::Held,
    "Attach an IERS EOP 20 C04 table for UT1 and polar motion."};

constexpr Method WITH_TIME_KERNELS{
    "with_time_kernels",
    {{{"leap_second_kernel"}, {"leap_second_sha256"}, {"eop"}, {"eop_sha256"}}},
    AccessKind::Exclusive,
    Lock::Held,
    "Attach both an LSK and an EOP table."};

constexpr Method WITH_ADDITIONAL_KERNEL_FILE{
    "with_additional_kernel_file",
    {{{"path"}, {"sha256"}}},
    AccessKind::Exclusive,
    Lock::Held,
    "Attach an extra planet-center SPK. The primary kernel still wins for\n"
    "any body and epoch it already covers. `sha256` is caller-verified."};

}  // namespace

PyMethodDef engine_with_leap_second_kernel() {
    return bind<with_leap_second_kernel, WITH_LEAP_SECOND_KERNEL, Path, std::string_view>();
}

PyMethodDef engine_with_eop() { return bind<with_eop, WITH_EOP, Path, std::string_view>(); }

PyMethodDef engine_with_time_kernels() {
    return bind<with_time_kernels, WITH_TIME_KERNELS, Path, std::string_view, Path, std::string_view>();
}

PyMethodDef engine_with_additional_kernel_file() {
    return bind<with_additional_kernel_file, WITH_ADDITIONAL_KERNEL_FILE, Path, std::string_view>();
}

std::optional<SpkOrvane> attach_constructor_time_kernels(SpkOrvane engine,
                                                         std::optional<std::string_view> leap_second_kernel,
                                                         std::optional<std::string_view> leap_second_sha256,
                                                         std::optional<std::string_view> eop,
                                                         std::optional<std::string_view> eop_sha256) {
    std::optional<LeapSecondKernel> leap_seconds;
    if (!open_if_given(leap_second_kernel, leap_second_sha256, "leap_second_kernel",
                       "leap_second_kernel and leap_second_sha256 must be supplied together", leap_seconds)) {
        return std::nullopt;
    }
    std::optional<EarthOrientationTable> table;
    if (!open_if_given(eop, eop_sha256, "eop", "eop and eop_sha256 must be supplied together", table)) {
        return std::nullopt;
    }
    if (leap_seconds) engine = SpkOrvane::with_leap_second_kernel(std::move(engine), std::move(*leap_seconds));
    if (table) engine = SpkOrvane::with_eop(std::move(engine), std::move(*table));
    return engine;
}

}  // namespace orvane::python
