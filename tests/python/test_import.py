import _vorava_devo_zuvoro._native as native


def test_module_imports_with_empty_doc():
    assert native.__doc__ == ""
