// Attaching time kernels and further SPK kernels to an Engine: each method
// opens and checks its files first, and only then takes the engine out,
// extends it and puts it back.
#include "core/files/kernel_file.hpp"
#include "python/arguments.hpp"
#include "python/engine_methods.hpp"
#include "python/engine_object.hpp"
#include "python/python_errors.hpp"

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

std::optional<LeapSecondKernel> open_leap_seconds(std::string_view path, std::string_view sha256) {
    return open_table<LeapSecondKernel>(path, sha256, "leap_second_kernel");
}

std::optional<EarthOrientationTable> open_eop(std::string_view path, std::string_view sha256) {
    return open_table<EarthOrientationTable>(path, sha256, "eop");
}

// Takes the engine out of the Engine, leaving it closed until put back.
std::unique_ptr<SpkOrvane> take_engine(const EngineAccess& access) {
    if (!access.object().engine) {
        value_error(ENGINE_CLOSED);
        return nullptr;
    }
    return std::move(access.object().engine);
}

// Matches the arguments, checks the thread, takes exclusive access and reads
// the arguments in order: (path, sha256) pairs, the paths held in holders.
template <std::size_t N>
std::optional<EngineAccess> exclusive_prologue(PyObject* self, const Signature& signature, PyObject* const* args,
                                               Py_ssize_t nargs, PyObject* kwnames,
                                               std::array<std::string_view, N>& texts,
                                               std::array<PyRef, N / 2>& holders) {
    PyObject* arguments[N];
    if (!match_arguments(signature, args, nargs, kwnames, arguments)) return std::nullopt;
    auto access = EngineAccess::enter(self, AccessKind::Exclusive);
    if (!access) return std::nullopt;
    for (std::size_t i = 0; i < N; ++i) {
        auto text = i % 2 == 0 ? path_argument(signature, i, arguments[i], holders[i / 2])
                               : str_argument(signature, i, arguments[i]);
        if (!text) return std::nullopt;
        texts[i] = *text;
    }
    return access;
}

const Signature LEAP_SECOND_SIGNATURE{"with_leap_second_kernel", {"path", "sha256"}, 2};
const Signature EOP_SIGNATURE{"with_eop", {"path", "sha256"}, 2};
const Signature TIME_KERNELS_SIGNATURE{
    "with_time_kernels", {"leap_second_kernel", "leap_second_sha256", "eop", "eop_sha256"}, 4};
const Signature ADDITIONAL_KERNEL_SIGNATURE{"with_additional_kernel_file", {"path", "sha256"}, 2};

}  // namespace

PyObject* engine_with_leap_second_kernel(PyObject* self, PyObject* const* args, Py_ssize_t nargs,
                                         PyObject* kwnames) {
    std::array<std::string_view, 2> texts;
    std::array<PyRef, 1> holders;
    auto access = exclusive_prologue(self, LEAP_SECOND_SIGNATURE, args, nargs, kwnames, texts, holders);
    if (!access) return nullptr;
    auto kernel = open_leap_seconds(texts[0], texts[1]);
    if (!kernel) return nullptr;
    auto engine = take_engine(*access);
    if (!engine) return nullptr;
    access->object().engine =
        std::make_unique<SpkOrvane>(SpkOrvane::with_leap_second_kernel(std::move(*engine), std::move(*kernel)));
    Py_RETURN_NONE;
}

PyObject* engine_with_eop(PyObject* self, PyObject* const* args, Py_ssize_t nargs, PyObject* kwnames) {
    std::array<std::string_view, 2> texts;
    std::array<PyRef, 1> holders;
    auto access = exclusive_prologue(self, EOP_SIGNATURE, args, nargs, kwnames, texts, holders);
    if (!access) return nullptr;
    auto table = open_eop(texts[0], texts[1]);
    if (!table) return nullptr;
    auto engine = take_engine(*access);
    if (!engine) return nullptr;
    access->object().engine = std::make_unique<SpkOrvane>(SpkOrvane::with_eop(std::move(*engine), std::move(*table)));
    Py_RETURN_NONE;
}

PyObject* engine_with_time_kernels(PyObject* self, PyObject* const* args, Py_ssize_t nargs, PyObject* kwnames) {
    std::array<std::string_view, 4> texts;
    std::array<PyRef, 2> holders;
    auto access = exclusive_prologue(self, TIME_KERNELS_SIGNATURE, args, nargs, kwnames, texts, holders);
    if (!access) return nullptr;
    auto kernel = open_leap_seconds(texts[0], texts[1]);
    if (!kernel) return nullptr;
    auto table = open_eop(texts[2], texts[3]);
    if (!table) return nullptr;
    auto engine = take_engine(*access);
    if (!engine) return nullptr;
    access->object().engine = std::make_unique<SpkOrvane>(
        SpkOrvane::with_time_kernels(std::move(*engine), std::move(*kernel), std::move(*table)));
    Py_RETURN_NONE;
}

PyObject* engine_with_additional_kernel_file(PyObject* self, PyObject* const* args, Py_ssize_t nargs,
                                             PyObject* kwnames) {
    std::array<std::string_view, 2> texts;
    std::array<PyRef, 1> holders;
    auto access = exclusive_prologue(self, ADDITIONAL_KERNEL_SIGNATURE, args, nargs, kwnames, texts, holders);
    if (!access) return nullptr;
    auto [path, sha256] = texts;
    if (!is_sha256_text(sha256)) return value_error(KERNEL_SHA256_FORM_ERROR);
    auto name = utf8_file_name(path);
    if (!name) return file_error(KERNEL_FILE_NAME_ERROR, path, "additional_kernel");
    auto kernel = SpkKernel::open(path);
    if (!kernel) return file_error(kernel.error().message(), path, "additional_kernel");
    auto engine = take_engine(*access);
    if (!engine) return nullptr;
    // A kernel that fails its checks leaves the engine untouched: it goes back.
    auto extended = SpkOrvane::with_additional_kernel(std::move(*engine), std::move(*kernel), std::move(*name), sha256);
    if (!extended) {
        access->object().engine = std::move(engine);
        return file_error(extended.error().message(), path, "additional_kernel");
    }
    access->object().engine = std::make_unique<SpkOrvane>(std::move(*extended));
    Py_RETURN_NONE;
}

std::optional<SpkOrvane> attach_constructor_time_kernels(SpkOrvane engine,
                                                         std::optional<std::string_view> leap_second_kernel,
                                                         std::optional<std::string_view> leap_second_sha256,
                                                         std::optional<std::string_view> eop,
                                                         std::optional<std::string_view> eop_sha256) {
    std::optional<LeapSecondKernel> leap_seconds;
    if (leap_second_kernel.has_value() != leap_second_sha256.has_value()) {
        value_error("leap_second_kernel and leap_second_sha256 must be supplied together");
        return std::nullopt;
    }
    if (leap_second_kernel) {
        leap_seconds = open_leap_seconds(*leap_second_kernel, *leap_second_sha256);
        if (!leap_seconds) return std::nullopt;
    }
    std::optional<EarthOrientationTable> table;
    if (eop.has_value() != eop_sha256.has_value()) {
        value_error("eop and eop_sha256 must be supplied together");
        return std::nullopt;
    }
    if (eop) {
        table = open_eop(*eop, *eop_sha256);
        if (!table) return std::nullopt;
    }
    if (leap_seconds) engine = SpkOrvane::with_leap_second_kernel(std::move(engine), std::move(*leap_seconds));
    if (table) engine = SpkOrvane::with_eop(std::move(engine), std::move(*table));
    return engine;
}

}  // namespace orvane::python
