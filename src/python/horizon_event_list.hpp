#pragma once
#include <Python.h>

#include <algorithm>
#include <cmath>
#include <new>
#include <vector>

#include "engine/search/horizon_search.hpp"
#include "python/interpreter_lock.hpp"
#include "python/py_ref.hpp"
#include "python/python_errors.hpp"

// The horizon searches of Python calls: run a year at a time without the
// interpreter lock, pending signals handled between the years (Ctrl-C
// raises KeyboardInterrupt), the events returned as a list of (UT1 Julian
// day, name) tuples.
namespace orvane::python {

// Days of one stretch of a horizon search: a millisecond or two of work.
inline constexpr double HORIZON_STRETCH_DAYS = 366.0;

// `search(from, to)` gives the events of [from, to]; an event at the end of
// a stretch is left to the next one, which starts there.
template <class Search>
PyObject* horizon_event_list(double start_ut1, double end_ut1, Search&& search) {
    try {
        std::vector<FoundHorizonEvent> events;
        if (!std::isfinite(start_ut1) || !std::isfinite(end_ut1) || !(end_ut1 - start_ut1 <= HORIZON_SEARCH_MAX_DAYS)) {
            // Refused whole, with the search's own message.
            auto refused = search(start_ut1, end_ut1);
            if (!refused) return map_orvane_error(refused.error());
        }
        double from = start_ut1;
        while (true) {
            const double to = std::min(end_ut1, from + HORIZON_STRETCH_DAYS);
            auto found = without_interpreter_lock([&] { return search(from, to); });
            if (!found) return map_orvane_error(found.error());
            for (const FoundHorizonEvent& event : *found) {
                if (to >= end_ut1 || event.ut1_julian_day < to) events.push_back(event);
            }
            if (to >= end_ut1) break;
            if (PyErr_CheckSignals() < 0) return nullptr;
            from = to;
        }
        PyRef list(PyList_New(static_cast<Py_ssize_t>(events.size())));
        if (!list) return nullptr;
        for (std::size_t i = 0; i < events.size(); ++i) {
            PyObject* item = Py_BuildValue("(ds#)", events[i].ut1_julian_day, events[i].name.data(),
                                           static_cast<Py_ssize_t>(events[i].name.size()));
            if (item == nullptr) return nullptr;
            PyList_SET_ITEM(list.get(), static_cast<Py_ssize_t>(i), item);
        }
        return list.release();
    } catch (const std::bad_alloc&) {
        return PyErr_NoMemory();
    }
}

}  // namespace orvane::python
