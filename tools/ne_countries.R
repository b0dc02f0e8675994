## Dump the Natural Earth 1:50m admin-0 country polygons shipped in Debian's
## r-cran-rnaturalearthdata to plain text, so the Python scripts need no R objects.
## Usage: Rscript ne_countries.R OUT.txt      (needs r-cran-rnaturalearthdata r-cran-sp)
## Output: "C<TAB>index<TAB>name<TAB>admin<TAB>abbrev<TAB>subregion<TAB>continent" per country,
## then "R<TAB>hole" per ring (hole = 1 for a hole), then "lon lat" per ring vertex.
suppressMessages(library(sp))
e <- new.env()
data("countries50", package = "rnaturalearthdata", envir = e)
o <- get("countries50", e)
d <- o@data
out <- commandArgs(TRUE)[1]
con <- file(out, "w", encoding = "UTF-8")
clean <- function(s) gsub("[\t\r\n]", " ", ifelse(is.na(s), "", as.character(s)))
nring <- 0
for (i in seq_along(o@polygons)) {
  writeLines(paste("C", i, clean(d$name[i]), clean(d$admin[i]), clean(d$abbrev[i]),
                   clean(d$subregion[i]), clean(d$continent[i]), sep = "\t"), con)
  for (p in o@polygons[[i]]@Polygons) {
    nring <- nring + 1
    writeLines(sprintf("R\t%d", as.integer(p@hole)), con)
    xy <- p@coords
    writeLines(sprintf("%.5f %.5f", xy[, 1], xy[, 2]), con)
  }
}
close(con)
cat("countries50:", length(o@polygons), "countries,", nring, "rings\n")
