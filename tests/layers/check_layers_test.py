#!/usr/bin/env python3
"""check_layers_test.py - the layer check fails on an upward include, a
sibling include and a link cycle, and passes a clean tree."""
import os
import shutil
import subprocess
import sys
import tempfile
import unittest

CHECK = os.path.join(os.path.dirname(os.path.abspath(__file__)), "check_layers.py")


def tree(files):
    # Under the working folder (the build's test data), never the host's temp.
    root = tempfile.mkdtemp(prefix="layers-", dir=os.getcwd())
    for path, text in files.items():
        full = os.path.join(root, path)
        os.makedirs(os.path.dirname(full), exist_ok=True)
        with open(full, "w") as f:
            f.write(text)
    return root


def check(root):
    return subprocess.run([sys.executable, CHECK, root], capture_output=True, text=True)


CLEAN = {
    "framework/core/A.h": '#include "framework/core/B.h"\n',
    "framework/ui/U.cpp": '#include "framework/core/A.h"\n',
    "framework/services/S.cpp": '#include "framework/ui/U.h"\n',
    "engine/E.cpp": '#include "vdesktop/V.h"\n#include "framework/services/S.h"\n',
    "engine/WinMain.cpp": '#include "engine/MainWindow.h"\n#include "ui/D.h"\n',
    "framework/core/CMakeLists.txt": "target_link_libraries(ps_core PUBLIC minizip)\n",
    "framework/ui/CMakeLists.txt": "target_link_libraries(ps_ui PUBLIC ps_core)\n",
}


class LayerCheck(unittest.TestCase):
    def check_tree(self, files):
        root = tree(files)
        try:
            return check(root)
        finally:
            shutil.rmtree(root, ignore_errors=True)

    def test_clean_tree_passes(self):
        self.assertEqual(0, self.check_tree(CLEAN).returncode)

    def test_each_fault_fails(self):
        faults = {
            "core includes ui": {"framework/core/A.h": '#include "framework/ui/U.h"\n'},
            "ui includes services": {"framework/ui/U.cpp": '#include "framework/services/S.h"\n'},
            "vdesktop includes ui": {"vdesktop/V.cpp": '#include "framework/ui/U.h"\n'},
            "engine includes the product ui": {"engine/E.cpp": '#include "ui/D.h"\n'},
            "engine includes the main window": {"engine/E.cpp": '#include "engine/MainWindow.h"\n'},
            "libraries in a cycle": {
                "framework/core/CMakeLists.txt": "target_link_libraries(ps_core PUBLIC ps_ui)\n"},
        }
        for why, change in faults.items():
            with self.subTest(why):
                files = dict(CLEAN)
                files.update(change)
                run = self.check_tree(files)
                self.assertEqual(1, run.returncode, run.stdout)


if __name__ == "__main__":
    unittest.main()
