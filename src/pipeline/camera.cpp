void quelmarPipelinePlaceholder() {}
