"""The README's interface example runs as written after the README's own
command that writes the sample region, so a reader can paste it."""
from pathlib import Path
import re
import shlex
import subprocess
import sys

ROOT = Path(__file__).resolve().parents[2]
README = (ROOT / "README.md").read_text()


def test_the_interface_example_runs_as_written(tmp_path):
    fence = re.search(r"```python\n(.*?)```", README, re.S)
    assert fence, "the README has no Python example"
    # The setup command is the last indented command line before the example.
    before = README[:fence.start()]
    setup = re.findall(r"^    (python tools/gen_sample_data\.py .*)$", before, re.M)[-1]
    command = shlex.split(setup)
    subprocess.run([sys.executable, str(ROOT / command[1]), *command[2:]], cwd=tmp_path,
                   check=True)
    run = subprocess.run([sys.executable, "-c", fence.group(1)], cwd=tmp_path,
                         capture_output=True, text=True, timeout=120)
    assert run.returncode == 0, run.stderr
    assert run.stdout.startswith("cards [")
