void quelmarFramePlaceholder() {}
