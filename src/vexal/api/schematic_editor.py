"""Stand-in for the simulator's schematic editor programming interface.

Only what vexal itself calls is provided: the object ``model`` with the method
``raise_exceptions(flag)``, which remembers the last flag in the attribute
``model.last_raise_exceptions``.
"""


class SchematicEditorModel(object):
    """Stand-in for the schematic editor's model object."""

    def __init__(self):
        #: The flag of the last ``raise_exceptions`` call (``None`` before any).
        self.last_raise_exceptions = None

    def raise_exceptions(self, flag):
        """Remember whether schematic editor calls should raise (stand-in)."""
        self.last_raise_exceptions = flag


model = SchematicEditorModel()
