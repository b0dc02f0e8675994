## Dump what the Britain location names are made of to plain text, so the Python scripts
## need no R objects: the Natural Earth 1:50m map units of the United Kingdom and the
## Isle of Man (England, Scotland, Wales, N. Ireland, Isle of Man; Debian's
## r-cran-rnaturalearthdata) and the towns of the maps package's world.cities (r-cran-maps).
## Usage: Rscript gb_places.R OUT.txt      (needs r-cran-rnaturalearthdata r-cran-sp r-cran-maps)
## Output: "U<TAB>name" per map unit, then "R<TAB>hole" per ring and "lon lat" per vertex;
## then "P<TAB>name<TAB>population<TAB>lat<TAB>lon" per town.
suppressMessages(library(sp))
e <- new.env()
data("map_units50", package = "rnaturalearthdata", envir = e)
data("world.cities", package = "maps", envir = e)
units <- get("map_units50", e)
towns <- get("world.cities", e)
con <- file(commandArgs(TRUE)[1], "w", encoding = "UTF-8")
keep <- which(units@data$admin %in% c("United Kingdom", "Isle of Man"))
keep <- keep[order(as.character(units@data$name[keep]))]
for (i in keep) {
  writeLines(paste("U", as.character(units@data$name[i]), sep = "\t"), con)
  for (p in units@polygons[[i]]@Polygons) {
    writeLines(sprintf("R\t%d", as.integer(p@hole)), con)
    writeLines(sprintf("%.5f %.5f", p@coords[, 1], p@coords[, 2]), con)
  }
}
towns <- towns[towns$country.etc %in% c("UK", "Isle of Man"), ]
towns <- towns[order(towns$name, towns$lat, towns$long), ]
writeLines(sprintf("P\t%s\t%d\t%.2f\t%.2f", gsub("[\t\r\n]", " ", towns$name),
                   as.integer(towns$pop), towns$lat, towns$long), con)
close(con)
cat("gb_places:", length(keep), "map units,", nrow(towns), "towns\n")
