"""Marrow imported by the system's python3.11 from the build tree, with no game running."""
import os
import subprocess
import sys
import unittest

import Marrow


class StandaloneModuleTest(unittest.TestCase):
    def test_module_is_the_built_library(self):
        self.assertEqual(os.path.basename(Marrow.__file__), "Marrow.so")
        self.assertTrue(callable(Marrow.ExecScriptResource))

    def test_plain_import_in_a_fresh_interpreter(self):
        result = subprocess.run([sys.executable, "-c", "import Marrow"], capture_output=True, text=True)
        self.assertEqual(result.returncode, 0, result.stderr)

    def test_running_a_script_without_the_engine_raises_instead_of_crashing(self):
        # Twice: the first failure must leave the module usable.
        for _ in range(2):
            with self.assertRaises(RuntimeError) as caught:
                Marrow.ExecScriptResource("startup.py")
            message = str(caught.exception)
            self.assertIn("Engine::Python::ExecResource", message)
            self.assertIn("not running", message)
            self.assertIn("'startup.py'", message)


if __name__ == "__main__":
    unittest.main()
