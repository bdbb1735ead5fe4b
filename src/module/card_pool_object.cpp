// The `NativeCardPool` class: three read-only getters and `recommend`, which
// may override the two settings that act on the search alone.
#include "module/card_pool_object.h"

#include <array>
#include <new>
#include <optional>

#include "module/argument_binding.h"
#include "module/conversions.h"
#include "module/errors.h"
#include "module/native_types.h"
#include "module/released_call.h"
#include "search/pool_search.h"

namespace vdz::py {
namespace {

CardPoolObject* pool_self(PyObject* self) {
    return as_native<CardPoolObject>(self, NativeClass::CardPool);
}

// Searches the pool with the effective `limit` and `timeout_ms`, without the
// interpreter lock. The pool is only read, so several threads may search it.
PyObject* search_pool(const PreparedPool& pool, u64 limit, u64 timeout_ms) {
    return text_computed_without_gil([&] { return search_prepared_pool(pool, limit, timeout_ms); });
}

PyObject* pool_recommend(PyObject* self, PyObject* const* args, Py_ssize_t nargs,
                         PyObject* kwnames) {
    return guarded([&]() -> PyObject* {
        static constexpr const char* PARAMS[] = {"limit", "timeout_ms"};
        static constexpr Signature SIGNATURE{"NativeCardPool.recommend()", PARAMS, 0};
        std::array<PyObject*, 2> bound;
        if (!bind_arguments(SIGNATURE, args, nargs, kwnames, bound)) return nullptr;
        const CardPoolObject* pool = pool_self(self);
        std::optional<u64> limit, timeout_ms;
        if (!pool || !to_optional_u64(bound[0], "limit", limit) ||
            !to_optional_u64(bound[1], "timeout_ms", timeout_ms)) {
            return nullptr;
        }
        // Overrides are taken as given: they act on this search alone.
        return search_pool(pool->pool, limit.value_or(pool->pool.limit),
                           timeout_ms.value_or(pool->pool.timeout_ms));
    });
}

template <u64 PreparedPool::*Field>
PyObject* get_u64(PyObject* self, void*) {
    return guarded([&]() -> PyObject* {
        const CardPoolObject* pool = pool_self(self);
        return pool ? PyLong_FromUnsignedLongLong(pool->pool.*Field) : nullptr;
    });
}

PyObject* get_card_count(PyObject* self, void*) {
    return guarded([&]() -> PyObject* {
        const CardPoolObject* pool = pool_self(self);
        return pool ? PyLong_FromUnsignedLong(pool->pool.card_count()) : nullptr;
    });
}

PyObject* refuse_construction(PyTypeObject* type, PyObject*, PyObject*) {
    return guarded([&]() -> PyObject* {
        Ref name(PyObject_GetAttrString(reinterpret_cast<PyObject*>(type), "__name__"));
        if (name && PyUnicode_Check(name.get())) {
            PyErr_Format(PyExc_TypeError, "No constructor defined for %U", name.get());
        } else {
            PyErr_SetString(PyExc_TypeError, "No constructor defined for <unknown>");
        }
        return nullptr;
    });
}

void card_pool_dealloc(PyObject* self) {
    reinterpret_cast<CardPoolObject*>(self)->pool.~PreparedPool();
    free_instance(self);
}

PyMethodDef card_pool_methods[] = {
    {"recommend", reinterpret_cast<PyCFunction>(reinterpret_cast<void (*)()>(pool_recommend)),
     METH_FASTCALL | METH_KEYWORDS,
     "recommend($self, limit=None, timeout_ms=None)\n--\n\n"
     "在池上搜索。`limit` 与 `timeout_ms` 只作用于搜索阶段，可安全覆盖；\n"
     "其余选项已固化在池中，需要改动就得重建池。"},
    {nullptr, nullptr, 0, nullptr},
};

PyGetSetDef card_pool_getters[] = {
    {"card_count", get_card_count, nullptr, "池内候选卡数量。", nullptr},
    {"limit", get_u64<&PreparedPool::limit>, nullptr, "构建该池时使用的 `limit`。", nullptr},
    {"timeout_ms", get_u64<&PreparedPool::timeout_ms>, nullptr, "构建该池时使用的 `timeout_ms`。",
     nullptr},
    {nullptr, nullptr, nullptr, nullptr, nullptr},
};

PyType_Slot card_pool_slots[] = {
    {Py_tp_doc, const_cast<char*>(
                    "预构建的搜索池：构建一次，可重复搜索。\n\n"
                    "池与 `(user_data, masterdata, options)` 三者绑定。任意一项变化后必须重建，\n"
                    "否则搜索会基于过期数据得出错误结果——本类型不会自动侦测这些变化。\n"
                    "缓存策略与生命周期完全由调用方决定；持有池会占用额外内存。")},
    {Py_tp_new, reinterpret_cast<void*>(refuse_construction)},
    {Py_tp_dealloc, reinterpret_cast<void*>(card_pool_dealloc)},
    {Py_tp_methods, card_pool_methods},
    {Py_tp_getset, card_pool_getters},
    {0, nullptr},
};

PyType_Spec card_pool_spec = {
    "builtins.NativeCardPool", static_cast<int>(sizeof(CardPoolObject)), 0, Py_TPFLAGS_DEFAULT,
    card_pool_slots,
};

}  // namespace

PyType_Spec& card_pool_type_spec() {
    return card_pool_spec;
}

PyObject* new_card_pool(PreparedPool pool) {
    PyTypeObject* type = native_type(NativeClass::CardPool);
    if (!type) {
        return raise_panic(std::string("failed to create type object for ") +
                           native_class_name(NativeClass::CardPool));
    }
    PyObject* self = allocate_instance(type);
    if (!self) return nullptr;
    new (&reinterpret_cast<CardPoolObject*>(self)->pool) PreparedPool(std::move(pool));
    return self;
}

}  // namespace vdz::py
