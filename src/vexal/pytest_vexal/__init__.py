"""pytest plugins of vexal.

- ``vexal.pytest_vexal.benchcast``: streams test collection, test starts and
  test reports to the desktop test IDE through the local message proxy
  (option ``--msg_proxy_path``); silent when no proxy is available.
"""
