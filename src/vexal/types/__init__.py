"""Value types of vexal: aliased values, time spans and phasors
(extension modules ``alias``, ``timedelta`` and ``phasors``)."""
