"""pytest plugin: runs a session with vexal's changes to pandas active."""
import vexal.types.timedelta  # noqa: F401  (importing it patches pandas)
