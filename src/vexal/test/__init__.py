"""Test vocabulary of vexal: value and time ranges (extension module
``ranges``) and signal transformations (package ``transformations``)."""
