# Run once by the game at start-up, after the engine and the interpreter are up. Scripts that
# run later can count on what is set up here.
import sys

import Marrow

# Later scripts (and the game's own checks) can tell that start-up went through.
Marrow.StartupDone = True

print("Marrow start-up script ran under Python %d.%d" % sys.version_info[:2])
sys.stdout.flush()
