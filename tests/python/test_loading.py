"""The three loading methods: directory reading and its input/output errors,
tables given as strings, music metas, and the all-or-nothing replacement of a
region."""
import json
import os
import shutil
import subprocess
import sys
import threading

import pytest

from _vorava_devo_zuvoro._native import NativeEngine
from conftest import TINY, TINY_TABLES

TINY_METAS = (TINY / "music_metas.json").read_text(encoding="utf-8")


def is_loaded(engine, region):
    """Whether the region has an entry; `update_musicmetas` with "[]" only
    succeeds on a loaded region (and rebuilds it from its stored tables)."""
    try:
        engine.update_musicmetas("[]", region)
        return True
    except RuntimeError as error:
        assert str(error) == f"masterdata for region {region} is not loaded"
        return False


@pytest.fixture
def region_dir(tmp_path):
    """A copy of the tiny region's tables that a test may spoil."""
    target = tmp_path / "masterdata"
    shutil.copytree(TINY / "masterdata", target)
    return target


def test_both_full_loads_and_music_metas_return_none(engine, region_dir):
    assert engine.update_masterdata(str(region_dir), "jp") is None
    assert engine.update_masterdata_from_strings(TINY_TABLES, "en") is None
    assert engine.update_musicmetas(TINY_METAS, "jp") is None
    assert is_loaded(engine, "jp") and is_loaded(engine, "en")
    assert not is_loaded(engine, "JP")


def test_relative_directories_resolve_against_the_working_directory(engine, region_dir, monkeypatch):
    monkeypatch.chdir(region_dir.parent)
    engine.update_masterdata("masterdata", "jp")
    assert is_loaded(engine, "jp")


def io_case(name, prepare, message):
    return pytest.param(prepare, message, id=name)


def missing_directory(region_dir):
    return str(region_dir / "absent")


def plain_file(region_dir):
    return str(region_dir / "cards.json")


def nul_in_name(region_dir):
    return str(region_dir) + "\0x"


def subdirectory(region_dir):
    (region_dir / "extra.json").mkdir()
    return str(region_dir)


def not_utf8_in_an_unknown_table(region_dir):
    (region_dir / "notes.json").write_bytes(b'["\xff"]')
    return str(region_dir)


def hidden_table_is_read(region_dir):
    (region_dir / ".hidden.json").write_bytes(b"\xc3")
    return str(region_dir)


def dangling_link(region_dir):
    os.symlink(region_dir / "nowhere", region_dir / "gone.json")
    return str(region_dir)


def oversized_table(region_dir):
    # Sparse: a table one byte beyond the limit takes no disk space.
    with open(region_dir / "huge.json", "wb") as huge:
        huge.truncate((1 << 30) + 1)
    return str(region_dir)


def link_to_a_device(region_dir):
    os.symlink("/dev/null", region_dir / "null.json")
    return str(region_dir)


@pytest.mark.parametrize(
    "prepare,message",
    [
        io_case("missing directory", missing_directory, "No such file or directory (os error 2)"),
        io_case("not a directory", plain_file, "Not a directory (os error 20)"),
        io_case("NUL in the name", nul_in_name, "file name contained an unexpected NUL byte"),
        io_case("subdirectory named *.json", subdirectory, "Is a directory (os error 21)"),
        io_case("bytes that are not UTF-8", not_utf8_in_an_unknown_table,
                "stream did not contain valid UTF-8"),
        io_case("a name starting with a dot", hidden_table_is_read,
                "stream did not contain valid UTF-8"),
        io_case("dangling link", dangling_link, "No such file or directory (os error 2)"),
        io_case("link to a device", link_to_a_device, "null.json is not a regular file"),
        io_case("a table beyond the size limit", oversized_table,
                "table file huge.json is larger than the 1024 MiB a table may have"),
    ],
)
def test_directory_errors_are_runtime_errors_and_change_nothing(engine, region_dir, prepare, message):
    engine.update_masterdata_from_strings(TINY_TABLES, "jp")
    engine.update_musicmetas(TINY_METAS, "jp")
    with pytest.raises(RuntimeError) as raised:
        engine.update_masterdata(prepare(region_dir), "jp")
    assert str(raised.value) == message
    assert is_loaded(engine, "jp")


def test_a_load_out_of_memory_raises_memory_error_and_changes_nothing():
    # In a child whose address space is capped just above what it uses: the
    # load of a huge table runs out of memory while the new region is built,
    # the region keeps its old data, and the engine takes later loads.
    code = f"""
import json, resource
from _vorava_devo_zuvoro._native import NativeEngine, NativeUserData
tables = json.loads({json.dumps(json.dumps(TINY_TABLES))})
engine = NativeEngine()
engine.update_masterdata_from_strings(tables, "jp")
cards = json.loads(tables["cards.json"])
huge = dict(tables)
huge["cards.json"] = json.dumps(cards * (100_000 // len(cards)))
with open("/proc/self/status") as status:
    size_kb = next(int(line.split()[1]) for line in status if line.startswith("VmSize:"))
soft, hard = resource.getrlimit(resource.RLIMIT_AS)
resource.setrlimit(resource.RLIMIT_AS, ((size_kb + 96 * 1024) * 1024, hard))
try:
    engine.update_masterdata_from_strings(huge, "jp")
    print("loaded")
except MemoryError:
    print("MemoryError")
except RuntimeError as error:
    print("RuntimeError", error)
resource.setrlimit(resource.RLIMIT_AS, (soft, hard))
engine.update_musicmetas("[]", "jp")
engine.update_masterdata_from_strings(tables, "other")
print("usable")
"""
    done = subprocess.run([sys.executable, "-c", code], capture_output=True, text=True, timeout=300)
    assert done.stdout.split("\n")[:2] == ["MemoryError", "usable"], done.stdout + done.stderr


def test_a_fifo_named_like_a_table_fails_without_blocking(region_dir):
    # Opening a FIFO for reading would wait for a writer forever while the
    # interpreter lock is held; run in a child so a regression cannot hang
    # the test run.
    os.mkfifo(region_dir / "pipe.json")
    code = (
        "from _vorava_devo_zuvoro._native import NativeEngine\n"
        "try:\n"
        f"    NativeEngine().update_masterdata({str(region_dir)!r}, 'jp')\n"
        "except RuntimeError as error:\n"
        "    print(error)\n"
    )
    done = subprocess.run([sys.executable, "-c", code], capture_output=True, text=True, timeout=60)
    assert done.stdout.strip() == "pipe.json is not a regular file"


def test_only_names_with_the_json_extension_are_tables(engine, region_dir):
    # Garbage under names that are not tables is never read.
    for name in ["notes.JSON", "notes.json.bak", ".json", "json", "notes.", "notes"]:
        (region_dir / name).write_bytes(b"\xff")
    engine.update_masterdata(str(region_dir), "jp")
    # A table is found only under its exact name.
    (region_dir / "cards.json").rename(region_dir / "Cards.json")
    with pytest.raises(ValueError) as raised:
        engine.update_masterdata(str(region_dir), "jp")
    assert str(raised.value) == "缺少 masterdata 表 cards.json"


def test_symbolic_links_to_tables_are_followed(engine, region_dir, tmp_path):
    elsewhere = tmp_path / "cards-elsewhere.json"
    (region_dir / "cards.json").rename(elsewhere)
    os.symlink(elsewhere, region_dir / "cards.json")
    engine.update_masterdata(str(region_dir), "jp")
    assert is_loaded(engine, "jp")


@pytest.mark.parametrize(
    "changes,message",
    [
        ({"*": None}, "缺少 masterdata 表 gameCharacterUnits.json"),
        ({"cards.json": None, "events.json": None}, "缺少 masterdata 表 cards.json"),
        ({"cards.json": "[] x"}, "解析 cards.json 失败: trailing characters at line 1 column 4"),
        ({"honors.json": ""}, "解析 honors.json 失败: EOF while parsing a value at line 1 column 0"),
        ({"areas.json": "[]", "shopItems.json": "[{\"id\":1,\"costs\":null}]"},
         "failed to parse shopItems.json: invalid type: null, expected a sequence at line 1 column 21"),
    ],
)
def test_faulty_tables_are_value_errors_and_keep_the_old_region(engine, changes, message):
    engine.update_masterdata_from_strings(TINY_TABLES, "jp")
    tables = {} if "*" in changes else dict(TINY_TABLES)
    for name, text in changes.items():
        if name == "*":
            continue
        if text is None:
            tables.pop(name)
        else:
            tables[name] = text
    for region in ["jp", "new"]:
        with pytest.raises(ValueError) as raised:
            engine.update_masterdata_from_strings(tables, region)
        assert str(raised.value) == message
    assert is_loaded(engine, "jp")
    assert not is_loaded(engine, "new")


def test_an_empty_directory_reaches_the_loader(engine, tmp_path):
    with pytest.raises(ValueError) as raised:
        engine.update_masterdata(str(tmp_path), "jp")
    assert str(raised.value) == "缺少 masterdata 表 gameCharacterUnits.json"


def test_loads_from_many_threads_leave_complete_regions(engine):
    failures = []
    start = threading.Barrier(4)

    def worker(index):
        start.wait()
        for round_index in range(15):
            try:
                if round_index % 3 == 2:
                    engine.update_musicmetas(TINY_METAS, "shared")
                else:
                    engine.update_masterdata_from_strings(TINY_TABLES, "shared")
                engine.update_masterdata_from_strings(TINY_TABLES, f"own-{index}")
            except RuntimeError as error:  # music metas before the first load
                if str(error) != "masterdata for region shared is not loaded":
                    failures.append(str(error))

    threads = [threading.Thread(target=worker, args=(i,)) for i in range(4)]
    for thread in threads:
        thread.start()
    for thread in threads:
        thread.join(timeout=120)
    assert not any(thread.is_alive() for thread in threads)
    assert failures == []
    assert all(is_loaded(engine, region) for region in ["shared", "own-0", "own-3"])


@pytest.mark.parametrize(
    "music_metas,message",
    [
        ("{}", "invalid music metas: invalid type: map, expected a sequence at line 1 column 0"),
        ("[{}]", "music meta field event_rate is required"),
        ('[{"event_rate": 1, "music_id": 1.0}]', "music meta field music_id is required"),
        ('[{"music_id": 1, "music_time": 1, "event_rate": 1, "base_score": 1, "base_score_auto": 1,'
         ' "fever_score": 1, "tap_count": 1, "skill_score_solo": [1, 1, 1, 1, 1, 1],'
         ' "skill_score_auto": [1, 1, 1, 1, 1, 1], "skill_score_multi": [1, 1, 1, 1, 1, 1]}]',
         "解析 music_metas 失败: missing field `difficulty` at line 1 column 244"),
    ],
)
def test_faulty_music_metas_are_value_errors(engine, music_metas, message):
    engine.update_masterdata_from_strings(TINY_TABLES, "jp")
    with pytest.raises(ValueError) as raised:
        engine.update_musicmetas(music_metas, "jp")
    assert str(raised.value) == message
    assert is_loaded(engine, "jp")


def test_a_missing_region_is_reported_before_its_music_metas(engine):
    with pytest.raises(RuntimeError, match="^masterdata for region jp is not loaded$"):
        engine.update_musicmetas("{", "jp")
