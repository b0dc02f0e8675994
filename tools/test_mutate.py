#!/usr/bin/env python3
"""Checks of tools/mutate.py: run with `python3 tools/test_mutate.py`."""

import os
import sys
import tempfile
import unittest

sys.dont_write_bytecode = True  # no __pycache__ left in tools/
sys.path.insert(0, os.path.dirname(os.path.abspath(__file__)))
import mutate  # noqa: E402

SOURCE = """// if (a < b) count = 0;
int f(int a, int b) {
  const char* s = "a < b && c";  /* while (x == 1) */
  int count = 0;
  if (a < b && b > 2) count += 3;
  for (int i = 0; i < b; ++i) count = count + i;
  total(count);
  return count;
}
"""


class SampleTest(unittest.TestCase):
    def test_mutants_change_code_only_and_read_back(self):
        with tempfile.TemporaryDirectory() as root:
            os.mkdir(os.path.join(root, "lib"))
            with open(os.path.join(root, "lib", "f.cpp"), "w") as fh:
                fh.write(SOURCE)
            made = mutate.sample("lib", 100, 7, root=root)
            lines = SOURCE.split("\n")
            codes = mutate.mask_code(SOURCE).split("\n")
            kinds = {k for line, code in zip(lines, codes)
                     for k, _ in mutate.line_mutants(line, code, ";", mutate.random.Random(1))}
            self.assertEqual(kinds, set(mutate.KINDS))
            self.assertEqual(len({m.line for m in made}), len(made))  # one mutant a line
            for m in made:
                self.assertEqual(lines[m.line - 1], m.original)
                # Comments and strings are never mutated.
                self.assertNotIn(m.line, (1, 3))
                self.assertNotEqual(m.original, m.replacement)
            # The list's text form is what --list reads back.
            back = mutate.parse_list("".join(m.text() for m in made))
            self.assertEqual([(b.place, b.kind, b.original, b.replacement) for b in back],
                             [(m.place, m.kind, m.original, m.replacement) for m in made])
            self.assertEqual(mutate.sample("lib", 100, 7, root=root)[0].text(), made[0].text())

    def test_moved_line_is_found_and_missing_line_is_stale(self):
        m = mutate.Mutant("lib/f.cpp", 2, "const", "  x = 1;", "  x = 2;")
        self.assertEqual(mutate.locate(["a", "b", "c", "  x = 1;"], m), 3)
        self.assertIsNone(mutate.locate(["a", "  x = 11;"], m))


class TreeTest(unittest.TestCase):
    def test_original_comes_back_after_interrupt_and_after_a_killed_run(self):
        with tempfile.TemporaryDirectory() as root:
            path = os.path.join(root, "f.cpp")
            with open(path, "wb") as fh:
                fh.write(SOURCE.encode())
            tree = mutate.Tree(os.path.join(root, "build"), root=root)
            try:
                tree.apply("f.cpp", b"mutant")
                raise KeyboardInterrupt
            except KeyboardInterrupt:
                pass
            finally:
                tree.restore()
            with open(path, "rb") as fh:
                self.assertEqual(fh.read(), SOURCE.encode())
            # A run that died without its finally block: the next run restores first.
            tree.apply("f.cpp", b"mutant")
            mutate.Tree(os.path.join(root, "build"), root=root)
            with open(path, "rb") as fh:
                self.assertEqual(fh.read(), SOURCE.encode())


if __name__ == "__main__":
    unittest.main()
