"""orvane as an HTTP service (``pip install orvane[serve]``; ``orvane serve``)."""

from orvane_tools.serve.app import create_app, serve

__all__ = ["create_app", "serve"]
