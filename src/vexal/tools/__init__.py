"""Command line tools shipped with vexal."""
