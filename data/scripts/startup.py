# Runs once at start-up, after the engine is up and before the arena is built.
# Game scripts are imported from here; scripts reach the engine through the Marrow module.
import Marrow

print("Gorvane: scripting ready")
