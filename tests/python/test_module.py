"""The module object and what the interpreter sees of its three classes."""
import gc
import inspect
import subprocess
import sys
import textwrap
import weakref

import pytest

import _vorava_devo_zuvoro._native as native
from _vorava_devo_zuvoro._native import NativeCardPool, NativeEngine, NativeUserData

CLASSES = [NativeEngine, NativeUserData, NativeCardPool]


def test_module_holds_exactly_the_three_classes():
    assert native.__doc__ == ""
    assert native.__all__ == ["NativeEngine", "NativeUserData", "NativeCardPool"]
    public = {name for name in vars(native) if not name.startswith("__")}
    assert public == {"NativeEngine", "NativeUserData", "NativeCardPool"}
    set_by_import = {"__name__", "__doc__", "__package__", "__loader__", "__spec__", "__file__"}
    assert {name for name in vars(native) if name.startswith("__")} <= set_by_import | {"__all__"}


def test_reimport_after_removal_gives_the_same_module():
    name = native.__name__
    del sys.modules[name]
    try:
        import _vorava_devo_zuvoro._native as again
    finally:
        sys.modules[name] = native
    assert again is native
    assert again.NativeEngine is NativeEngine


SUBINTERPRETER_SCRIPT = textwrap.dedent(
    """
    import _vorava_devo_zuvoro._native
    try:
        import _interpreters as interpreters
        interpreter = interpreters.create("legacy")
    except ImportError:
        import _xxsubinterpreters as interpreters
        try:
            interpreter = interpreters.create(isolated=False)
        except TypeError:
            interpreter = interpreters.create()
    interpreters.run_string(interpreter, "import _vorava_devo_zuvoro._native")
    """
)


def test_another_interpreter_is_refused():
    run = subprocess.run(
        [sys.executable, "-c", SUBINTERPRETER_SCRIPT], capture_output=True, text=True, timeout=60
    )
    output = run.stdout + run.stderr
    assert "ImportError" in output
    assert "PyO3 modules do not yet support subinterpreters, see " in output


@pytest.mark.parametrize("cls", CLASSES, ids=lambda c: c.__name__)
def test_classes_are_sealed(cls):
    assert cls.__module__ == "builtins"
    assert cls.__qualname__ == cls.__name__
    with pytest.raises(TypeError, match="is not an acceptable base type"):
        type("Derived", (cls,), {})
    assert "__dict__" not in cls.__dict__
    assert "__weakref__" not in cls.__dict__


def test_instances_take_no_attributes_or_weak_references(engine, user_data):
    for instance in (engine, user_data):
        with pytest.raises(AttributeError):
            instance.anything = 1
        with pytest.raises(TypeError):
            weakref.ref(instance)


def test_card_pools_are_made_only_by_the_engine():
    for args, kwargs in [((), {}), ((1,), {"limit": 2})]:
        with pytest.raises(TypeError) as raised:
            NativeCardPool(*args, **kwargs)
        assert str(raised.value) == "No constructor defined for NativeCardPool"


POOL_DOC = (
    "预构建的搜索池：构建一次，可重复搜索。\n\n"
    "池与 `(user_data, masterdata, options)` 三者绑定。任意一项变化后必须重建，\n"
    "否则搜索会基于过期数据得出错误结果——本类型不会自动侦测这些变化。\n"
    "缓存策略与生命周期完全由调用方决定；持有池会占用额外内存。"
)


def test_class_docs_and_constructor_signatures():
    assert NativeEngine.__text_signature__ == "()"
    assert NativeUserData.__text_signature__ == "(data)"
    assert NativeEngine.__doc__ == "" and NativeUserData.__doc__ == ""
    assert str(inspect.signature(NativeUserData)) == "(data)"
    assert NativeCardPool.__doc__ == POOL_DOC
    assert NativeCardPool.__text_signature__ is None


BUILD_POOL_DOC = (
    "构建可复用的搜索池。付一次建池成本，之后每次 `NativeCardPool.recommend`\n"
    "只付搜索成本。池不随 masterdata 或 user_data 的后续变化自动失效，\n"
    "何时重建由调用方负责。"
)
POOL_RECOMMEND_DOC = (
    "在池上搜索。`limit` 与 `timeout_ms` 只作用于搜索阶段，可安全覆盖；\n"
    "其余选项已固化在池中，需要改动就得重建池。"
)

METHODS = [
    (NativeEngine.update_masterdata, "(self, /, base_dir, region)", None),
    (NativeEngine.update_masterdata_from_strings, "(self, /, tables, region)", None),
    (NativeEngine.update_musicmetas, "(self, /, music_metas, region)", None),
    (NativeEngine.recommend, "(self, /, region, options_json, user_data)", None),
    (NativeEngine.build_pool, "(self, /, region, options_json, user_data)", BUILD_POOL_DOC),
    (
        NativeEngine.get_world_bloom_support_cards,
        "(self, /, region, options_json, user_data)",
        None,
    ),
    (NativeEngine.recommend_area_items, "(self, /, region, card_ids, user_data)", None),
    (NativeEngine.recommend_music, "(self, /, region, options_json, deck_json)", None),
    (
        NativeEngine.calculate_exact_live,
        "(self, /, region, power, skills, live_type, music_score_json, multi_sum_power=0, "
        "fever_music_score_json=None)",
        None,
    ),
    (NativeCardPool.recommend, "(self, /, limit=None, timeout_ms=None)", POOL_RECOMMEND_DOC),
]


@pytest.mark.parametrize("method,signature,doc", METHODS, ids=lambda m: getattr(m, "__name__", ""))
def test_method_signatures_and_docs(method, signature, doc):
    assert str(inspect.signature(method)) == signature
    assert method.__doc__ == doc


def test_engine_methods_in_table_order():
    names = [name for name in NativeEngine.__dict__ if not name.startswith("__")]
    assert names == [
        "update_masterdata",
        "update_masterdata_from_strings",
        "update_musicmetas",
        "recommend",
        "build_pool",
        "get_world_bloom_support_cards",
        "recommend_area_items",
        "recommend_music",
        "calculate_exact_live",
    ]


def test_card_pool_attributes_are_documented_getters():
    docs = {
        "card_count": "池内候选卡数量。",
        "limit": "构建该池时使用的 `limit`。",
        "timeout_ms": "构建该池时使用的 `timeout_ms`。",
    }
    for name, doc in docs.items():
        descriptor = NativeCardPool.__dict__[name]
        assert inspect.isgetsetdescriptor(descriptor)
        assert descriptor.__doc__ == doc


def test_released_objects_give_back_their_type_reference():
    gc.collect()  # objects of earlier tests still in reference cycles
    before = [sys.getrefcount(cls) for cls in (NativeEngine, NativeUserData)]
    for _ in range(500):
        NativeEngine()
        NativeUserData(b'{"userCards": []}')
    gc.collect()
    after = [sys.getrefcount(cls) for cls in (NativeEngine, NativeUserData)]
    assert after == before
