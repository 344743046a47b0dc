"""Marrow imported by the system's python3.11 from the build tree, with no game running."""
import math
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


class ValueTypesTest(unittest.TestCase):
    def assertVector(self, vector, x, y, z):
        self.assertEqual((vector.x, vector.y, vector.z), (x, y, z))

    def test_vector_arithmetic_with_vectors_and_floats(self):
        v = Marrow.Vector3(1, 2, 3)
        self.assertVector(v + 1.0, 2, 3, 4)
        self.assertVector(v, 1, 2, 3)  # + makes a new vector
        self.assertVector(v + Marrow.Vector3(1, 1, 1), 2, 3, 4)
        self.assertVector(v - Marrow.Vector3(1, 1, 1), 0, 1, 2)
        self.assertVector(v * 2, 2, 4, 6)
        self.assertVector(v / 2, 0.5, 1, 1.5)
        with self.assertRaises(ZeroDivisionError):
            v / 0

        same = v
        v += 1
        self.assertIs(v, same)  # in place: the very object changes
        self.assertVector(same, 2, 3, 4)
        v -= Marrow.Vector3(2, 3, 4)
        self.assertVector(same, 0, 0, 0)
        v += Marrow.Vector3(1, 0, 0)
        v -= 0.5
        self.assertVector(same, 0.5, -0.5, -0.5)
        v.y = 7
        self.assertEqual(same.y, 7)

    def test_vector_less_needs_every_component_smaller(self):
        self.assertFalse(Marrow.Vector3(0, 0, 0) < Marrow.Vector3(1, 1, 0))
        self.assertTrue(Marrow.Vector3(0, 0, 0) < Marrow.Vector3(1, 1, 0.5))

    def test_vector_measures(self):
        v = Marrow.Vector3(3, 0, 4)
        self.assertAlmostEqual(v.Length(), 5)
        self.assertAlmostEqual(v.Distance(Marrow.Vector3(3, 0, 0)), 4)
        self.assertAlmostEqual(v.Dot(Marrow.Vector3(1, 1, 1)), 7)
        self.assertAlmostEqual(v.Normalize(), 5)  # the former length
        self.assertAlmostEqual(v.x, 0.6, places=6)
        self.assertAlmostEqual(v.Length(), 1, places=6)

    def test_colours(self):
        c = Marrow.Colour(0.5, 0.25, 0, 1)
        self.assertEqual(((c + c).r, (c - c).g, (c * 2).g, (c / 2).a), (1, 0, 0.5, 0.5))
        same = c
        c += Marrow.Colour(0.1, 0.1, 0.1, 0)
        c -= Marrow.Colour(0, 0.05, 0, 0.5)
        self.assertIs(c, same)
        self.assertAlmostEqual(same.r, 0.6, places=6)
        self.assertAlmostEqual(same.g, 0.3, places=6)
        self.assertAlmostEqual(same.a, 0.5, places=6)

    def test_quaternions_from_degrees_and_radians_agree(self):
        axis = Marrow.Vector3(0, 1, 0)
        by_degrees = Marrow.Quaternion(Marrow.Degree(90), axis)
        by_radians = Marrow.Quaternion(Marrow.Radian(math.pi / 2), axis)
        for name in "wxyz":
            self.assertAlmostEqual(getattr(by_degrees, name), getattr(by_radians, name), places=6)
        self.assertAlmostEqual(by_degrees.w, math.sqrt(0.5), places=6)
        self.assertAlmostEqual(by_degrees.y, math.sqrt(0.5), places=6)

    def test_a_new_any_is_empty(self):
        value = Marrow.Any()
        self.assertTrue(value.Empty())
        self.assertIsNone(value.Extract())

    def test_enumerations(self):
        self.assertEqual([int(Marrow.EventType.names[n]) for n in
                          ("SENSOR_ENTER", "SENSOR_LEAVE", "SENSOR_STAY", "HIT_ACTOR", "HIT_ENTITY")], [0, 1, 2, 3, 4])
        self.assertEqual(list(Marrow.SimulationEntityTS.names), ["LOCAL", "GLOBAL"])
        self.assertEqual((int(Marrow.SimulationEntityTS.LOCAL), int(Marrow.SimulationEntityTS.GLOBAL)), (1, 0))


class WithoutEngineTest(unittest.TestCase):
    def test_singletons_are_none_before_the_engine_runs(self):
        self.assertIsNone(Marrow.GetApplication())
        self.assertIsNone(Marrow.GetScene())
        self.assertIsNone(Marrow.GetControllerManager())
        self.assertNotEqual(Marrow.GenerateUniqueIdString(), Marrow.GenerateUniqueIdString())

    def test_interface_methods_a_script_leaves_out_raise(self):
        class Lazy(Marrow.IController):
            pass
        with self.assertRaises(Exception) as caught:
            Lazy().Update(0.1, None)
        self.assertIn("Pure virtual", str(caught.exception))

    def test_frame_listener_needs_the_renderer(self):
        with self.assertRaises(RuntimeError) as caught:
            Marrow.AddFrameListener(Marrow.IFrameListener())
        self.assertIn("renderer is not running", str(caught.exception))
        with self.assertRaises(TypeError):
            Marrow.AddFrameListener(42)


if __name__ == "__main__":
    unittest.main()
