"""Stand-ins for the simulator's programming interfaces (HIL and schematic
editor)."""
