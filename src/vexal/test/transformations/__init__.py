"""Three-phase signal transformations: the functions of the extension module
``impl`` (frame transformations of signal frames and symmetrical
components), under the same names."""

from vexal.test.transformations.impl import (
    abc_to_alphabetagamma,
    abc_to_dq0,
    alphabetagamma_to_abc,
    alphabetagamma_to_dq0,
    complete_symmetrical_components,
    dq0_to_abc,
    dq0_to_alphabetagamma,
    inv_symmetrical_components,
    symmetrical_components,
)

__all__ = [
    "abc_to_alphabetagamma",
    "abc_to_dq0",
    "alphabetagamma_to_abc",
    "alphabetagamma_to_dq0",
    "complete_symmetrical_components",
    "dq0_to_abc",
    "dq0_to_alphabetagamma",
    "inv_symmetrical_components",
    "symmetrical_components",
]
